#include "tools/content-gen/pictures.h"

#include <cstdio>

#include "tools/content-gen/draw.h"
#include "tools/content-gen/picture_out.h"

namespace content {
namespace {

// The byte sizes that the program's start-up check expects of these pictures.
constexpr long kSplashBytes = 24790;
constexpr long kTitleFrameBytes[5] = {1477, 1474, 1356, 1472, 1456};
constexpr long kOrderUpBytes = 1333;
constexpr long kOrderDownBytes = 1323;
constexpr long kAboutBarBytes = 3321;

// Each book's button colour, by index.
const char* const kBookColours[10] = {"red", "orange", "sky",    "lime", "blue",
                                      "sea", "green",  "purple", "pink", "tan"};

// Detail levels for pictures that must fit a byte size: all their decoration
// first, then less. Their edges are always smooth: they are written with only
// the colours they use, packed as tightly as the encoder can.
bool Decorated(int level) { return level == 0; }
constexpr int kLevels = 2;

// The sized pictures' palette: more shades towards the ink than the others
// have, for smoother edges; only the shades used are written.
constexpr int kSmoothShades = 7;
std::vector<Rgb> SizedPalette(const PictureSources& src) {
  return ExpandPalette(*src.stage, kSmoothShades);
}

void SetSmoothEdges(cairo_t* cr) {
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, fo);
  cairo_font_options_destroy(fo);
}

void FillAll(Pen& pen, int w, int h, const std::string& colour) {
  cairo_rectangle(pen.cr(), 0, 0, w, h);
  pen.Fill(colour);
  cairo_new_path(pen.cr());
}

std::vector<std::uint8_t> TitleFrame(const PictureSources& src, int pose, int level) {
  Canvas c(50, 59);
  SetSmoothEdges(c.cr());
  Pen pen(c.cr(), *src.stage, true, 1.4);
  FillAll(pen, 50, 59, "sky");
  cairo_translate(c.cr(), 2, 13);
  cairo_scale(c.cr(), 0.23, 0.23);
  DrawPippa(pen, pose, !Decorated(level));
  return c.MapTo(SizedPalette(src));
}

std::vector<std::uint8_t> OrderButton(const PictureSources& src, bool pressed, int level) {
  Canvas c(190, 40);
  SetSmoothEdges(c.cr());
  Pen pen(c.cr(), *src.stage, true, 2.0);
  FillAll(pen, 190, 40, "frame");
  const double d = pressed ? 2 : 0;
  pen.RoundRect(3 + d, 3 + d, 182, 32, 10);
  pen.Shape(pressed ? "orange" : "yellow");
  if (Decorated(level)) {
    // Two little books before the words.
    pen.RoundRect(12 + d, 10 + d, 12, 18, 2);
    pen.Shape("red", 0.6);
    pen.RoundRect(24 + d, 10 + d, 12, 18, 2);
    pen.Shape("blue", 0.6);
    DrawTitleText(pen, "More books!", 110 + d, 19 + d, 19, "ink", 0);
  } else {
    DrawTitleText(pen, "More books", 95 + d, 19 + d, 18, "ink", 0);
  }
  return c.MapTo(SizedPalette(src));
}

std::vector<std::uint8_t> AboutBar(const PictureSources& src, int level) {
  Canvas c(400, 40);
  SetSmoothEdges(c.cr());
  Pen pen(c.cr(), *src.stage, true, 2.0);
  FillAll(pen, 400, 40, "bar");
  if (Decorated(level)) {
    const char* colours[] = {"yellow", "pink", "lime", "orange"};
    const double xs[] = {40, 95, 305, 360};
    for (int i = 0; i < 4; ++i) {
      pen.Star(xs[i], 20, 13, 6, 5);
      pen.Shape(colours[i], 0.7);
    }
  }
  DrawTitleText(pen, "Pippalee", 200, 20, 28, "yellow", 1.0);
  return c.MapTo(SizedPalette(src));
}

std::vector<std::uint8_t> Splash(const PictureSources& src, int level) {
  const int w = kSplashWidth, h = kSplashHeight;
  Canvas c(w, h);
  SetSmoothEdges(c.cr());
  Pen pen(c.cr(), *src.stage, true, 3.0);
  FillAll(pen, w, h, "sky");
  cairo_t* cr = c.cr();
  cairo_move_to(cr, -10, h * 0.8);
  cairo_curve_to(cr, w * 0.3, h * 0.7, w * 0.7, h * 0.9, w + 10, h * 0.78);
  cairo_line_to(cr, w + 10, h + 10);
  cairo_line_to(cr, -10, h + 10);
  cairo_close_path(cr);
  pen.Shape("lime");
  if (Decorated(level)) {
    cairo_save(cr);
    cairo_translate(cr, 10, 6);
    cairo_scale(cr, 0.34, 0.34);
    DrawSubject(pen, "sun");
    cairo_restore(cr);
    for (int i = 0; i < 3; ++i) {
      cairo_save(cr);
      cairo_translate(cr, 175 + i * 60, h - 72);
      cairo_scale(cr, 0.28, 0.28);
      DrawSubject(pen, "flower");
      cairo_restore(cr);
    }
  }
  cairo_save(cr);
  cairo_translate(cr, 0, h - 190);
  cairo_scale(cr, 0.95, 0.95);
  DrawPippa(pen, 1);
  cairo_restore(cr);
  DrawTitleText(pen, "Pippalee", 262, 62, 36, "yellow", 1.0);
  DrawTitleText(pen, "a picture book", 262, 100, 19, "ink", 0);
  return c.MapTo(SizedPalette(src));
}

std::vector<std::uint8_t> BookButton(const PictureSources& src, const Book& book, bool down) {
  Canvas c(50, 42);
  Pen pen(c.cr(), *src.stage, true, 1.5);
  FillAll(pen, 50, 42, "frame");
  const double d = down ? 1 : 0;
  pen.RoundRect(1.5 + d, 1.5 + d, 46, 38, 7);
  pen.Shape(down ? "yellow" : kBookColours[book.number - 1]);
  cairo_save(c.cr());
  cairo_translate(c.cr(), 3 + d, 5 + d);
  cairo_scale(c.cr(), 0.16, 0.16);
  DrawSubject(pen, book.icon);
  cairo_restore(c.cr());
  pen.Circle(38 + d, 28 + d, 8.5);
  pen.Shape("white", 0.8);
  DrawTitleText(pen, std::to_string(book.number), 38 + d, 28 + d, book.number == 10 ? 10 : 12,
                "ink", 0);
  return c.MapTo(ExpandPalette(*src.stage));
}

// The face of an open book's button: an arrow to the next page.
std::vector<std::uint8_t> NavFace(const PictureSources& src, bool first, bool down) {
  Canvas c(50, 42);
  Pen pen(c.cr(), *src.stage, true, 1.5);
  FillAll(pen, 50, 42, "frame");
  const double d = down ? 1 : 0;
  pen.RoundRect(1.5 + d, 1.5 + d, 46, 38, 7);
  pen.Shape(down ? "yellow" : first ? "orange" : "green");
  pen.Poly({{10 + d, 15 + d},
            {26 + d, 15 + d},
            {26 + d, 8 + d},
            {41 + d, 21 + d},
            {26 + d, 34 + d},
            {26 + d, 27 + d},
            {10 + d, 27 + d}});
  pen.Shape(down ? "orange" : "white", 0.9);
  return c.MapTo(ExpandPalette(*src.stage));
}

void DrawCover(Pen& pen, int w, int h) {
  cairo_t* cr = pen.cr();
  DrawBackdrop(pen, "tree", w, h);
  struct Item {
    const char* subject;
    double x, y, scale;
  };
  const Item items[] = {{"sun", 470, 8, 0.55},
                        {"butterfly", 30, 110, 0.45},
                        {"flower", 15, 255, 0.7},
                        {"flower", 445, 255, 0.7},
                        {"butterfly", 470, 150, 0.35}};
  for (const Item& it : items) {
    cairo_save(cr);
    cairo_translate(cr, it.x, it.y);
    cairo_scale(cr, it.scale, it.scale);
    DrawSubject(pen, it.subject);
    cairo_restore(cr);
  }
  cairo_save(cr);
  cairo_translate(cr, 135, 115);
  cairo_scale(cr, 1.6, 1.6);
  DrawPippa(pen, 0);
  cairo_restore(cr);
  // An open book in her hands.
  cairo_move_to(cr, 295, 345);
  cairo_curve_to(cr, 255, 325, 210, 325, 180, 337);
  cairo_line_to(cr, 192, 420);
  cairo_curve_to(cr, 225, 408, 265, 410, 295, 425);
  cairo_close_path(cr);
  pen.Shape("white");
  cairo_move_to(cr, 295, 345);
  cairo_curve_to(cr, 335, 325, 380, 325, 410, 337);
  cairo_line_to(cr, 398, 420);
  cairo_curve_to(cr, 365, 408, 325, 410, 295, 425);
  cairo_close_path(cr);
  pen.Shape("white");
  for (int s : {-1, 1}) {
    pen.Circle(295 + s * 118, 390, 20);
    pen.Shape("skin");
  }
  DrawTitleText(pen, "Pippalee", w / 2.0 - 20, 62, 72, "yellow", 1.0);
}

bool WritePicturePair(const std::string& dir, int book, int page, const Palette& palette,
                      const std::function<void(Pen&)>& draw, std::string* error) {
  const std::vector<Rgb> full = ExpandPalette(palette);
  for (bool colour : {false, true}) {
    Canvas c(kPageWidth, kPageHeight);
    Pen pen(c.cr(), palette, colour, 7.0);
    draw(pen);
    if (!WritePalettePng(dir + PageFileName(book, page, colour), kPageWidth, kPageHeight,
                         c.MapTo(full, !colour), full, error))
      return false;
  }
  return true;
}

}  // namespace

std::string PageFileName(int book, int page, bool colour) {
  char name[32];
  std::snprintf(name, sizeof name, "PL%02d_%02d%s.png", book, page, colour ? "c" : "b");
  return name;
}

bool WriteStagePictures(const std::string& dir, const PictureSources& src, std::string* error) {
  const std::vector<Rgb> stage = ExpandPalette(*src.stage);
  const std::vector<Rgb> sized = SizedPalette(src);
  std::vector<SizedPicture> frames;
  for (int i = 0; i < 5; ++i) {
    // Frame 0 at rest; the animation's first swing (frames 1, 2) is a wink,
    // its second (3, 4) a wave.
    static const int kPose[5] = {0, 3, 4, 1, 2};
    frames.push_back({dir + "Title_animate" + std::to_string(i + 1) + ".png", kTitleFrameBytes[i],
                      [&src, i](int level) { return TitleFrame(src, kPose[i], level); }});
  }
  if (!WriteSizedPngs(frames, 50, 59, sized, kLevels, error) ||
      // The pressed face shows for a moment only; each face gets its own best level.
      !WriteSizedPngs({{dir + "Title2U.png", kOrderUpBytes,
                        [&](int level) { return OrderButton(src, false, level); }}},
                      190, 40, sized, kLevels, error) ||
      !WriteSizedPngs({{dir + "Title2D.png", kOrderDownBytes,
                        [&](int level) { return OrderButton(src, true, level); }}},
                      190, 40, sized, kLevels, error) ||
      !WriteSizedPngs(
          {{dir + "Title3.png", kAboutBarBytes, [&](int level) { return AboutBar(src, level); }}},
          400, 40, sized, kLevels, error) ||
      !WriteSizedPngs(
          {{dir + "splash.png", kSplashBytes, [&](int level) { return Splash(src, level); }}},
          kSplashWidth, kSplashHeight, sized, kLevels, error))
    return false;
  for (const Book& b : *src.books) {
    char up[16], down[16];
    std::snprintf(up, sizeof up, "But%02du.png", b.number);
    std::snprintf(down, sizeof down, "But%02dD.png", b.number);
    if (!WritePalettePng(dir + up, 50, 42, BookButton(src, b, false), stage, error) ||
        !WritePalettePng(dir + down, 50, 42, BookButton(src, b, true), stage, error))
      return false;
  }
  const struct {
    const char* name;
    bool first, down;
  } navs[] = {{"Nav_u.png", false, false},
              {"Nav_d.png", false, true},
              {"Nav1_u.png", true, false},
              {"Nav1_d.png", true, true}};
  for (const auto& n : navs)
    if (!WritePalettePng(dir + n.name, 50, 42, NavFace(src, n.first, n.down), stage, error))
      return false;
  return WritePicturePair(
      dir, 0, 1, *src.page, [](Pen& pen) { DrawCover(pen, kPageWidth, kPageHeight); }, error);
}

bool WriteBookPages(const std::string& dir, const PictureSources& src, std::string* error) {
  for (const Book& b : *src.books) {
    for (std::size_t i = 0; i < b.pages.size(); ++i) {
      const Page& p = b.pages[i];
      if (!KnownSubject(p.subject)) {
        *error = "book " + std::to_string(b.number) + ": no drawing of \"" + p.subject + "\"";
        return false;
      }
      if (!WritePicturePair(
              dir, b.number, int(i) + 1, *src.page,
              [&](Pen& pen) { DrawPage(pen, p.subject, p.count, kPageWidth, kPageHeight); }, error))
        return false;
    }
  }
  return true;
}

}  // namespace content
