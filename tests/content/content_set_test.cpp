// The generated content set in build/content: every file the program opens is
// there under the names it uses, the checked pictures have their exact sizes,
// the pictures fit their places on the stage, page pairs share size and palette,
// and the sounds, tune and documents are what the program and the user expect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "content_files.h"
#include "framework/dialog.h"
#include "framework/path_resolver.h"
#include "framework/resources.h"
#include "image/picture.h"
#include "resources/resources.h"
#include "tools/content-gen/sources.h"

namespace {

using namespace content_test;

// A path the program would build (mixed case, backslashes), resolved the
// program's way.
bool ProgramFileExists(const std::string& relative) {
  const std::string resolved = fw::ResolvePath(ContentDir() + "\\" + relative);
  return !resolved.empty() && std::filesystem::is_regular_file(resolved);
}

std::string Resolved(const std::string& relative) {
  return fw::ResolvePath(ContentDir() + "\\" + relative);
}

std::vector<content::Book> Stories() {
  std::vector<content::Book> books;
  std::string error;
  EXPECT_TRUE(content::ReadBooks(SourcesDir() + "/books.txt", &books, &error)) << error;
  return books;
}

std::string Name(const char* pattern, int a, int b = 0) {
  char buf[40];
  std::snprintf(buf, sizeof buf, pattern, a, b);
  return buf;
}

TEST(ContentSet, EveryNameTheProgramUsesExists) {
  // Spelt as the program spells them, in every spelling it uses.
  std::vector<std::string> names = {"books\\splash.png",
                                    "books\\Title_animate1.png",
                                    "books\\Title_animate2.png",
                                    "books\\Title_animate3.png",
                                    "books\\Title_animate4.png",
                                    "books\\Title_animate5.png",
                                    "books\\Title2U.png",
                                    "books\\Title2d.png",
                                    "books\\Title2D.png",
                                    "books\\Title3.png",
                                    "books\\Nav_u.png",
                                    "books\\Nav_d.png",
                                    "books\\Nav1_u.png",
                                    "books\\Nav1_d.png",
                                    "books\\PL00_01b.png",
                                    "books\\PL00_01C.png",
                                    "books\\PL00_01c.png",
                                    "Wave\\start.wav",
                                    "Wave\\intro1.Wav",
                                    "Wave\\intro2.wav",
                                    "Wave\\Intro3.wav",
                                    "Wave\\intro3.wav",
                                    "Wave\\Click.Wav",
                                    "Wave\\click.wav",
                                    "Wave\\Order.Wav",
                                    "Wave\\B99.wav",
                                    "midi\\10.mid",
                                    "about.doc",
                                    "order.doc"};
  for (int n = 1; n <= 10; ++n) {
    names.push_back(Name("books\\But%02du.png", n));
    names.push_back(Name("books\\But%02dd.png", n));
    names.push_back(Name("books\\But%02dD.png", n));
  }
  for (const auto& book : Stories()) {
    for (std::size_t p = 1; p <= book.pages.size(); ++p) {
      names.push_back(Name("books\\PL%02d_%02db.png", book.number, int(p)));
      names.push_back(Name("books\\PL%02d_%02dc.png", book.number, int(p)));
      names.push_back(Name("wave\\B%02d_%02d.wav", book.number, int(p)));
      names.push_back(Name("Wave\\B%02d_%02d.wav", book.number, int(p)));
    }
  }
  for (const auto& name : names) EXPECT_TRUE(ProgramFileExists(name)) << name;
}

TEST(ContentSet, CheckedPicturesHaveTheirExactSizes) {
  const std::pair<const char*, std::uintmax_t> kSizes[] = {
      {"splash.png", 24790},        {"Title_animate1.png", 1477}, {"Title_animate2.png", 1474},
      {"Title_animate3.png", 1356}, {"Title_animate4.png", 1472}, {"Title_animate5.png", 1456},
      {"Title2U.png", 1333},        {"Title2D.png", 1323},        {"Title3.png", 3321}};
  for (const auto& [name, size] : kSizes) {
    const std::string path = Resolved(std::string("books\\") + name);
    std::error_code ec;
    EXPECT_EQ(std::filesystem::file_size(path, ec), size) << name;
    // Padded or not, each is a sound PNG that the picture library reads.
    EXPECT_TRUE(ReadPngFacts(path).ok) << name;
    CPicture picture(path, IMAGE_PNG);
    EXPECT_TRUE(picture.IsValid()) << name;
  }
  for (int n = 1; n <= 10; ++n) EXPECT_TRUE(ProgramFileExists(Name("books\\But%02dD.png", n))) << n;
}

TEST(ContentSet, TitleFramesAndOrderFacesHaveSmoothEdges) {
  // Every shape has an ink outline. A smooth edge steps from a colour to the
  // ink through several blends of the two; a hard (or barely smoothed) edge
  // has three at most.
  std::vector<content::Palette> palettes;
  std::string error;
  ASSERT_TRUE(content::ReadPalettes(SourcesDir() + "/palettes.txt", &palettes, &error)) << error;
  const content::Palette* stage = content::FindPalette(palettes, "stage");
  ASSERT_NE(stage, nullptr);
  const content::Rgb ink = stage->colours[1].rgb;
  std::vector<std::string> names = {"Title2U.png", "Title2D.png"};
  for (int i = 1; i <= 5; ++i) names.push_back(Name("Title_animate%d.png", i));
  for (const auto& name : names) {
    CPicture picture(Resolved("books\\" + name), IMAGE_PNG);
    ASSERT_TRUE(picture.IsValid()) << name;
    // For each colour, the blends towards the ink found (as twentieths of
    // the way).
    std::map<std::string, std::set<int>> steps;
    for (int y = 0; y < picture.GetHeight(); ++y) {
      for (int x = 0; x < picture.GetWidth(); ++x) {
        BYTE r = 0, g = 0, b = 0;
        picture.GetPixelRGB(x, y, r, g, b);
        for (const auto& named : stage->colours) {
          const content::Rgb c = named.rgb;
          if (c == ink) continue;
          const int span[3] = {ink.r - c.r, ink.g - c.g, ink.b - c.b};
          const int got[3] = {r - c.r, g - c.g, b - c.b};
          const int longest = std::max({std::abs(span[0]), std::abs(span[1]), std::abs(span[2])});
          if (longest < 60) continue;
          const int axis = std::abs(span[0]) == longest ? 0 : std::abs(span[1]) == longest ? 1 : 2;
          const double t = double(got[axis]) / span[axis];
          if (t <= 0.02 || t >= 0.98) continue;
          bool onLine = true;
          for (int k = 0; k < 3; ++k) onLine = onLine && std::abs(got[k] - t * span[k]) <= 3;
          if (onLine) steps[named.name].insert(int(std::lround(t * 20)));
        }
      }
    }
    std::size_t most = 0;
    for (const auto& [colour, found] : steps) most = std::max(most, found.size());
    EXPECT_GE(most, 5u) << name << ": edges with " << most << " steps";
  }
}

TEST(ContentSet, StagePicturesFitTheirRegions) {
  std::map<std::string, std::pair<int, int>> sizes = {
      {"Title2U.png", {190, 40}}, {"Title2D.png", {190, 40}}, {"Title3.png", {400, 40}},
      {"Nav_u.png", {50, 42}},    {"Nav_d.png", {50, 42}},    {"Nav1_u.png", {50, 42}},
      {"Nav1_d.png", {50, 42}}};
  for (int i = 1; i <= 5; ++i) sizes[Name("Title_animate%d.png", i)] = {50, 59};
  for (int n = 1; n <= 10; ++n) {
    sizes[Name("But%02du.png", n)] = {50, 42};
    sizes[Name("But%02dD.png", n)] = {50, 42};
  }
  for (const auto& [name, size] : sizes) {
    CPicture picture(Resolved("books\\" + name), IMAGE_PNG);
    EXPECT_EQ(picture.GetWidth(), size.first) << name;
    EXPECT_EQ(picture.GetHeight(), size.second) << name;
    EXPECT_EQ(picture.GetBitsPerPixel(), 8) << name;
    EXPECT_NE(picture.GetPalette(), nullptr) << name;
  }
  // The splash, drawn at (6, 6), stays inside the start dialog and above its
  // row of buttons.
  resources::RegisterProgramResources();
  const fw::DialogTemplate* start = fw::FindDialogTemplate(resources::IDD_START);
  ASSERT_NE(start, nullptr);
  const POINT dialog = CDialog::DialogUnitsToPixels(*start, start->width, start->height);
  int buttonsTop = dialog.y;
  for (const auto& c : start->controls)
    buttonsTop = std::min<int>(buttonsTop, CDialog::DialogUnitsToPixels(*start, c.x, c.y).y);
  CPicture splash(Resolved("books\\splash.png"), IMAGE_PNG);
  EXPECT_GT(splash.GetWidth(), dialog.x / 2);
  EXPECT_LE(6 + splash.GetWidth(), dialog.x);
  EXPECT_GT(splash.GetHeight(), buttonsTop / 2);
  EXPECT_LE(6 + splash.GetHeight(), buttonsTop);
}

TEST(ContentSet, PagePairsAre590By440WithOnePalette) {
  std::vector<std::pair<int, int>> pages = {{0, 1}};  // the cover
  for (const auto& book : Stories())
    for (std::size_t p = 1; p <= book.pages.size(); ++p) pages.emplace_back(book.number, int(p));
  for (const auto& [book, page] : pages) {
    const std::string where = Name("book %d page %d", book, page);
    const PngFacts outline = ReadPngFacts(Resolved(Name("books\\PL%02d_%02db.png", book, page)));
    const PngFacts colour = ReadPngFacts(Resolved(Name("books\\PL%02d_%02dc.png", book, page)));
    ASSERT_TRUE(outline.ok && colour.ok) << where;
    for (const PngFacts* f : {&outline, &colour}) {
      EXPECT_EQ(f->width, 590u) << where;
      EXPECT_EQ(f->height, 440u) << where;
      EXPECT_EQ(f->bitDepth, 8) << where;
      EXPECT_EQ(f->colourType, 3) << where;
    }
    EXPECT_FALSE(outline.palette.empty()) << where;
    EXPECT_EQ(outline.palette, colour.palette) << where;
    // The outline is dark lines on white: only neutral colours. The colour
    // picture is the same drawing with bright fills.
    CPicture b(Resolved(Name("books\\PL%02d_%02db.png", book, page)), IMAGE_PNG);
    CPicture c(Resolved(Name("books\\PL%02d_%02dc.png", book, page)), IMAGE_PNG);
    ASSERT_TRUE(b.IsValid() && c.IsValid()) << where;
    auto spread = [](CPicture& pic, int x, int y) {
      BYTE r = 0, g = 0, bl = 0;
      pic.GetPixelRGB(x, y, r, g, bl);
      return std::max({r, g, bl}) - std::min({r, g, bl});
    };
    int colourful = 0, outlineColourful = 0, white = 0, dark = 0;
    for (int y = 0; y < 440; y += 4) {
      for (int x = 0; x < 590; x += 4) {
        outlineColourful += spread(b, x, y) > 24;
        colourful += spread(c, x, y) > 40;
        BYTE r = 0, g = 0, bl = 0;
        b.GetPixelRGB(x, y, r, g, bl);
        white += r == 255 && g == 255 && bl == 255;
        dark += r + g + bl < 200;
      }
    }
    const int samples = (440 / 4) * (590 / 4 + 1);
    EXPECT_EQ(outlineColourful, 0) << where;
    EXPECT_GT(white, samples / 2) << where;
    EXPECT_GT(dark, samples / 100) << where;
    EXPECT_GT(colourful, samples / 20) << where;
  }
}

TEST(ContentSet, EachBookHasThePagesItsStoryDefines) {
  const auto books = Stories();
  ASSERT_EQ(books.size(), 10u);
  bool longBook = false;
  for (const auto& book : books) {
    // Counted as the page view counts: outline files 01 to 99 present.
    int found = 0;
    for (int n = 1; n <= 99; ++n)
      found += ProgramFileExists(Name("books\\PL%02d_%02db.png", book.number, n)) ? 1 : 0;
    EXPECT_EQ(found, int(book.pages.size())) << "book " << book.number;
    EXPECT_FALSE(ProgramFileExists(
        Name("books\\PL%02d_%02db.png", book.number, int(book.pages.size()) + 1)));
    if (book.pages.size() >= 10)
      longBook = true;
    else
      EXPECT_TRUE(book.pages.size() >= 3 && book.pages.size() <= 8) << "book " << book.number;
  }
  EXPECT_TRUE(longBook) << "one book has ten pages or more";
}

TEST(ContentSet, SoundsAre22050HzMono16BitAndAudible) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ContentDir() + "/wave")) {
    const std::string name = entry.path().filename().string();
    const WaveFacts w = ReadWaveFacts(entry.path().string());
    ASSERT_TRUE(w.ok) << name;
    EXPECT_EQ(w.format, 1u) << name;
    EXPECT_EQ(w.channels, 1u) << name;
    EXPECT_EQ(w.rate, 22050u) << name;
    EXPECT_EQ(w.bits, 16u) << name;
    int peak = 0;
    for (auto s : w.samples) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 32767 / 4) << name << " is all but silent";
    EXPECT_GT(w.samples.size(), 22050u / 100) << name;
    EXPECT_LT(w.samples.size(), 22050u * 8) << name;
    ++count;
  }
  std::size_t pages = 0;
  for (const auto& b : Stories()) pages += b.pages.size();
  EXPECT_EQ(count, int(pages) + 7);
}

// Every spoken clip with its words: the stage's voices and the narrations.
std::vector<std::pair<std::string, std::string>> SpokenClips() {
  std::vector<std::pair<std::string, std::string>> clips;
  std::vector<content::Voice> voices;
  std::string error;
  EXPECT_TRUE(content::ReadVoices(SourcesDir() + "/voices.txt", &voices, &error)) << error;
  for (const auto& v : voices)
    if (v.kind == content::Voice::Kind::Say) clips.emplace_back("wave\\" + v.file, v.text);
  for (const auto& b : Stories())
    for (std::size_t p = 0; p < b.pages.size(); ++p)
      clips.emplace_back(Name("wave\\B%02d_%02d.wav", b.number, int(p) + 1), b.pages[p].sentence);
  return clips;
}

TEST(ContentSet, VoicesAreSpokenTrimmedAndEquallyLoud) {
  const auto clips = SpokenClips();
  // The stage's voices the program plays are all spoken.
  std::set<std::string> spoken;
  for (const auto& [file, words] : clips) spoken.insert(file);
  for (const char* name :
       {"start.wav", "intro1.Wav", "intro2.wav", "Intro3.wav", "B99.wav", "Order.Wav"})
    EXPECT_TRUE(spoken.count(std::string("wave\\") + name)) << name;
  constexpr int kRate = 22050, kWindow = kRate / 20;  // 50 ms
  const int quiet = 32767 / 100;                      // -40 dB
  std::map<std::string, double> levels;
  for (const auto& [file, words] : clips) {
    const WaveFacts w = ReadWaveFacts(Resolved(file));
    ASSERT_TRUE(w.ok && w.rate == 22050u && w.channels == 1u && w.bits == 16u) << file;
    const auto& s = w.samples;
    const double seconds = double(s.size()) / kRate;
    // A length that fits the words: a sentence of n words takes a child's
    // reader between a fifth of a second and 0.7 s a word.
    int n = 0;
    for (std::size_t i = 0; i < words.size(); ++i)
      n += std::isalpha(static_cast<unsigned char>(words[i])) && (i == 0 || words[i - 1] == ' ');
    EXPECT_GT(seconds, 0.2 * n) << file << ": too short for \"" << words << "\"";
    EXPECT_LT(seconds, 0.7 * n + 0.5) << file << ": too long for \"" << words << "\"";
    // Silence at either end: at most 50 ms below -40 dB.
    const auto loud = [&](std::int16_t v) { return std::abs(int(v)) > quiet; };
    const auto first = std::find_if(s.begin(), s.end(), loud);
    ASSERT_NE(first, s.end()) << file << " is silent";
    const auto last = std::find_if(s.rbegin(), s.rend(), loud);
    EXPECT_LE(first - s.begin(), kRate / 20) << file << ": silence before the words";
    EXPECT_LE(last - s.rbegin(), kRate / 20) << file << ": silence after the words";
    // Judged as a sound editor does, over 20 ms: the quiet at either end ends
    // within 50 ms.
    const std::size_t judge = kRate / 50;
    auto loudWindow = [&](std::size_t at) {
      double sum = 0;
      for (std::size_t i = at; i < at + judge; ++i) sum += double(s[i]) * s[i];
      return std::sqrt(sum / judge) > quiet;
    };
    ASSERT_GT(s.size(), judge) << file;
    std::size_t lead = 0, tail = 0;
    while (lead + judge < s.size() && !loudWindow(lead)) ++lead;
    while (tail + judge < s.size() && !loudWindow(s.size() - judge - tail)) ++tail;
    EXPECT_LE(lead + judge, std::size_t(kRate / 20)) << file << ": quiet before the words";
    EXPECT_LE(tail + judge, std::size_t(kRate / 20)) << file << ": quiet after the words";
    // Speech rises and falls with its syllables and pauses: its 50 ms windows
    // span a wide range of levels, where a tone or noise would stay level.
    // Its level: the RMS of the windows no more than 30 dB below the loudest.
    std::vector<double> power;
    for (std::size_t at = 0; at + kWindow <= s.size(); at += kWindow) {
      double sum = 0;
      for (int i = 0; i < kWindow; ++i) sum += double(s[at + i]) * s[at + i];
      power.push_back(sum / kWindow);
    }
    ASSERT_FALSE(power.empty()) << file;
    const double top = *std::max_element(power.begin(), power.end());
    const double bottom = *std::min_element(power.begin(), power.end());
    EXPECT_GT(10 * std::log10(top / std::max(bottom, 1.0)), 15.0) << file << ": not speech";
    double sum = 0;
    int counted = 0;
    for (double p : power) {
      if (p < top / 1000) continue;
      sum += p;
      ++counted;
    }
    levels[file] = 10 * std::log10(sum / counted / (32768.0 * 32768.0));
    int peak = 0;
    for (auto v : s) peak = std::max(peak, std::abs(int(v)));
    EXPECT_LT(peak, 32767) << file << " is clipped";
  }
  // One loudness across the set: every clip within 1.5 dB of the middle one,
  // and that a comfortable level.
  std::vector<double> sorted;
  for (const auto& [file, db] : levels) sorted.push_back(db);
  ASSERT_FALSE(sorted.empty());
  std::sort(sorted.begin(), sorted.end());
  const double middle = sorted[sorted.size() / 2];
  EXPECT_GT(middle, -24.0);
  EXPECT_LT(middle, -14.0);
  for (const auto& [file, db] : levels) EXPECT_NEAR(db, middle, 1.5) << file;
}

// Walks a standard MIDI file: its length in seconds (through the tempo
// changes) and the channels that play notes.
struct MidiFacts {
  bool ok = false;
  int format = -1, tracks = 0;
  double seconds = 0;
  std::set<int> channels;
};

MidiFacts ReadMidi(const std::string& b) {
  MidiFacts m;
  if (b.size() < 14 || b.compare(0, 4, "MThd") != 0 || Be32(b, 4) != 6) return m;
  m.format = (std::uint8_t(b[8]) << 8) | std::uint8_t(b[9]);
  const int declared = (std::uint8_t(b[10]) << 8) | std::uint8_t(b[11]);
  const int division = (std::uint8_t(b[12]) << 8) | std::uint8_t(b[13]);
  if (division <= 0 || division >= 0x8000) return m;
  std::map<std::uint64_t, std::uint32_t> tempos = {{0, 500000}};
  std::uint64_t lastTick = 0;
  std::size_t at = 14;
  for (; m.tracks < declared; ++m.tracks) {
    if (b.size() - at < 8 || b.compare(at, 4, "MTrk") != 0) return m;
    const std::size_t len = Be32(b, at + 4), end = at + 8 + len;
    if (len > b.size() - at - 8) return m;
    std::size_t p = at + 8;
    std::uint64_t tick = 0;
    int status = 0;
    bool ended = false;
    auto varlen = [&](std::uint64_t* v) {
      *v = 0;
      for (int i = 0; i < 4 && p < end; ++i) {
        const std::uint8_t c = b[p++];
        *v = (*v << 7) | (c & 0x7F);
        if (!(c & 0x80)) return true;
      }
      return false;
    };
    while (p < end && !ended) {
      std::uint64_t delta = 0;
      if (!varlen(&delta) || p >= end) return m;
      tick += delta;
      std::uint8_t c = b[p];
      if (c & 0x80) {
        status = c;
        ++p;
      }
      if (status == 0xFF) {
        if (p >= end) return m;
        const std::uint8_t type = b[p++];
        std::uint64_t n = 0;
        if (!varlen(&n) || n > end - p) return m;
        if (type == 0x51 && n == 3)
          tempos[tick] =
              (std::uint8_t(b[p]) << 16) | (std::uint8_t(b[p + 1]) << 8) | std::uint8_t(b[p + 2]);
        if (type == 0x2F) ended = true;
        p += n;
        status = 0;
      } else if (status == 0xF0 || status == 0xF7) {
        std::uint64_t n = 0;
        if (!varlen(&n) || n > end - p) return m;
        p += n;
      } else if (status >= 0x80) {
        const int kind = status & 0xF0;
        const int bytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (end - p < std::size_t(bytes)) return m;
        if (kind == 0x90 && std::uint8_t(b[p + 1]) > 0) m.channels.insert(status & 0x0F);
        p += bytes;
      } else {
        return m;
      }
      lastTick = std::max(lastTick, tick);
    }
    if (!ended) return m;
    at = end;
  }
  // Ticks to seconds through the tempo map.
  std::uint64_t prev = 0;
  std::uint32_t tempo = 500000;
  for (const auto& [t, us] : tempos) {
    if (t >= lastTick) break;
    m.seconds += double(t - prev) * tempo / division / 1e6;
    prev = t;
    tempo = us;
  }
  m.seconds += double(lastTick - prev) * tempo / division / 1e6;
  m.ok = true;
  return m;
}

TEST(ContentSet, TuneIsAMidiFileLongerThanAMinuteWithAccompaniment) {
  const MidiFacts m = ReadMidi(ReadBytes(Resolved("midi\\10.mid")));
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(m.format, 1);
  // Longer than the 53-second timer that rewinds it.
  EXPECT_GT(m.seconds, 60.0);
  EXPECT_LT(m.seconds, 300.0);
  // A melody and at least one accompanying part.
  EXPECT_GE(m.channels.size(), 2u);
}

TEST(ContentSet, DocumentsAreRtfAboutTheBookAndMoreBooks) {
  const struct {
    const char* name;
    std::vector<std::string> says;
  } docs[] = {{"about.doc", {"Pippalee", "How to use it", "Getting more books", "rub"}},
              {"order.doc", {"More books", "How to get them", "PLnn_ppb.png", "Bnn_pp.wav"}}};
  for (const auto& d : docs) {
    const std::string text = ReadBytes(Resolved(d.name));
    ASSERT_EQ(text.compare(0, 6, "{\\rtf1"), 0) << d.name;
    int depth = 0, lowest = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\') {
        ++i;  // an escaped character, brace included
        continue;
      }
      depth += text[i] == '{' ? 1 : text[i] == '}' ? -1 : 0;
      lowest = std::min(lowest, depth);
    }
    EXPECT_EQ(depth, 0) << d.name;
    EXPECT_EQ(lowest, 0) << d.name;
    for (const auto& s : d.says) EXPECT_NE(text.find(s), std::string::npos) << d.name << ": " << s;
  }
}

}  // namespace
