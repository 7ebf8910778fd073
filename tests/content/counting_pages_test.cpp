// The pages judged from their colour pictures alone: a page whose sentence
// begins with a number shows exactly that many things, each whole, and a fish
// swims under the water with its bubbles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "content_files.h"
#include "framework/path_resolver.h"
#include "image/picture.h"
#include "tools/content-gen/sources.h"

namespace {

using namespace content_test;

// The colour that makes one area for each thing, and whether the thing lives
// under the water (the sky wholly above it and its bubbles).
struct Thing {
  const char* subject;
  const char* colour;
  bool underWater = false;
};
const Thing kThings[] = {
    {"sun", "yellow"},         // its face; the rays are orange
    {"apple", "red"},          //
    {"duck", "yellow"},        // head and body, joined across the outline between them
    {"fish", "orange", true},  // body and tail; the fin is yellow
    {"star", "yellow"},        //
    {"flower", "yellow"},      // the face in the middle of the petals
    {"ball", "red"},           // one red panel a ball
    {"heart", "red"},          //
    {"cherry", "red"},         //
    {"cherries", "red"},       // two on one stalk
    {"butterfly", "brown"},    // the body between the wings
};

// Parts of one thing that an ink line (up to about 12 pixels with its smoothed
// edges) separates count as one area; an area smaller than this many pixels is
// a speck, not a thing.
constexpr int kBridge = 6;
constexpr int kSpeck = 150;

int NumberWord(const std::string& sentence) {
  static const char* const kWords[] = {"one", "two",   "three", "four", "five",
                                       "six", "seven", "eight", "nine", "ten"};
  std::string first;
  for (char c : sentence) {
    if (!std::isalpha(static_cast<unsigned char>(c))) break;
    first += char(std::tolower(static_cast<unsigned char>(c)));
  }
  for (int i = 0; i < 10; ++i)
    if (first == kWords[i]) return i + 1;
  return 0;
}

struct Area {
  int pixels = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// The areas of a colour in a picture (width w, mask rows from the top), parts
// closer than 2 * kBridge pixels joined.
std::vector<Area> AreasOf(const std::vector<bool>& mask, int w, int h) {
  // Widen the mask by kBridge in both directions (a square), rows then columns.
  std::vector<bool> across(mask.size()), wide(mask.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int d = -kBridge; d <= kBridge && !across[y * w + x]; ++d)
        across[y * w + x] = x + d >= 0 && x + d < w && mask[y * w + x + d];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int d = -kBridge; d <= kBridge && !wide[y * w + x]; ++d)
        wide[y * w + x] = y + d >= 0 && y + d < h && across[(y + d) * w + x];
  std::vector<int> label(mask.size(), -1);
  std::vector<Area> areas;
  for (int start = 0; start < w * h; ++start) {
    if (!wide[start] || label[start] >= 0) continue;
    Area a;
    std::vector<int> todo = {start};
    label[start] = int(areas.size());
    while (!todo.empty()) {
      const int at = todo.back();
      todo.pop_back();
      const int x = at % w, y = at / w;
      if (mask[at]) {
        ++a.pixels;
        a.left = std::min(a.left, x);
        a.right = std::max(a.right, x);
        a.top = std::min(a.top, y);
        a.bottom = std::max(a.bottom, y);
      }
      const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[0] >= w || n[1] < 0 || n[1] >= h) continue;
        const int i = n[1] * w + n[0];
        if (wide[i] && label[i] < 0) {
          label[i] = int(areas.size());
          todo.push_back(i);
        }
      }
    }
    if (a.pixels >= kSpeck) areas.push_back(a);
  }
  return areas;
}

std::map<std::string, content::Rgb> PageColours() {
  std::vector<content::Palette> palettes;
  std::string error;
  EXPECT_TRUE(content::ReadPalettes(SourcesDir() + "/palettes.txt", &palettes, &error)) << error;
  std::map<std::string, content::Rgb> colours;
  if (const content::Palette* page = content::FindPalette(palettes, "page"))
    for (const auto& c : page->colours) colours[c.name] = c.rgb;
  return colours;
}

// The colour picture as rows of colours, top row first.
struct Rgbs {
  int w = 0, h = 0;
  std::vector<content::Rgb> px;
  std::vector<bool> Mask(const content::Rgb& c) const {
    std::vector<bool> m(px.size());
    for (std::size_t i = 0; i < px.size(); ++i) m[i] = px[i] == c;
    return m;
  }
};

Rgbs ReadColourPicture(int book, int page) {
  char name[40];
  std::snprintf(name, sizeof name, "\\books\\PL%02d_%02dc.png", book, page);
  CPicture pic(fw::ResolvePath(ContentDir() + name), IMAGE_PNG);
  Rgbs out;
  if (!pic.IsValid()) return out;
  out.w = pic.GetWidth();
  out.h = pic.GetHeight();
  for (int y = 0; y < out.h; ++y) {
    for (int x = 0; x < out.w; ++x) {
      BYTE r = 0, g = 0, b = 0;
      // The picture's rows run bottom-up.
      pic.GetPixelRGB(x, out.h - 1 - y, r, g, b);
      out.px.push_back(content::Rgb{r, g, b});
    }
  }
  return out;
}

TEST(PagePictures, CountingPagesShowTheirNumberEachThingWholeAndWhereItBelongs) {
  std::vector<content::Book> books;
  std::string error;
  ASSERT_TRUE(content::ReadBooks(SourcesDir() + "/books.txt", &books, &error)) << error;
  const auto colours = PageColours();
  int counted = 0;
  for (const auto& book : books) {
    for (std::size_t i = 0; i < book.pages.size(); ++i) {
      const content::Page& page = book.pages[i];
      const int says = NumberWord(page.sentence);
      const auto thing = std::find_if(std::begin(kThings), std::end(kThings),
                                      [&](const Thing& t) { return page.subject == t.subject; });
      const bool swims = thing != std::end(kThings) && thing->underWater;
      if (says == 0 && !swims) continue;
      const std::string where = "book " + std::to_string(book.number) + " page " +
                                std::to_string(i + 1) + " \"" + page.sentence + "\"";
      ASSERT_NE(thing, std::end(kThings)) << where << ": which colour marks a " << page.subject;
      ASSERT_TRUE(colours.count(thing->colour)) << thing->colour;
      const Rgbs pic = ReadColourPicture(book.number, int(i) + 1);
      ASSERT_FALSE(pic.px.empty()) << where;
      if (swims) {
        // Everything of the thing and every bubble (white) below the last row
        // with sky in it.
        const auto sky = pic.Mask(colours.at("sky"));
        const auto body = pic.Mask(colours.at(thing->colour));
        const auto white = pic.Mask(colours.at("white"));
        int lowestSky = -1, highestThing = pic.h;
        for (int p = 0; p < pic.w * pic.h; ++p) {
          if (sky[p]) lowestSky = std::max(lowestSky, p / pic.w);
          if (body[p] || white[p]) highestThing = std::min(highestThing, p / pic.w);
        }
        EXPECT_GT(highestThing, lowestSky) << where << ": out of the water";
      }
      if (says == 0) continue;
      const auto areas = AreasOf(pic.Mask(colours.at(thing->colour)), pic.w, pic.h);
      EXPECT_EQ(int(areas.size()), says) << where;
      for (const Area& a : areas) {
        // Whole: not cut by the page's edge.
        EXPECT_TRUE(a.left > 0 && a.top > 0 && a.right < pic.w - 1 && a.bottom < pic.h - 1)
            << where << ": a thing at (" << a.left << ", " << a.top << ") is cut off";
      }
      ++counted;
    }
  }
  EXPECT_GE(counted, 10) << "the counting book counts from one to ten";
}

}  // namespace
