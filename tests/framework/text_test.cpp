// Text drawn in a colour shows the glyphs in that colour and leaves the cells
// around them as they were.
#include <gtest/gtest.h>

#include "framework/dc.h"
#include "framework/gdi.h"

namespace {

struct Counts {
  int ink = 0;     // pixels exactly the text colour
  int ground = 0;  // pixels still the background
};

Counts DrawAndCount(COLORREF ink, COLORREF ground) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 120, 40);
  SelectObject(dc, bitmap);
  CDC cdc;
  cdc.Attach(dc);
  cdc.FillSolidRect(0, 0, 120, 40, ground);
  CFont font;
  font.CreatePointFont(140, "Arial");
  CFont* old = cdc.SelectObject(&font);
  cdc.SetBkMode(TRANSPARENT);
  cdc.SetTextColor(ink);
  cdc.TextOut(4, 4, "Hello");
  cdc.SelectObject(old);
  Counts counts;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120; ++x) {
      const COLORREF seen = GetPixel(dc, x, y);
      counts.ink += seen == ink;
      counts.ground += seen == ground;
    }
  }
  cdc.Detach();
  DeleteDC(dc);
  DeleteObject(bitmap);
  return counts;
}

}  // namespace

TEST(Text, GlyphsTakeTheTextColourAndTheCellsKeepTheBackground) {
  const struct {
    COLORREF ink;
    COLORREF ground;
  } cases[] = {
      {RGB(0, 0, 0), RGB(255, 255, 255)},
      {RGB(200, 0, 0), RGB(255, 255, 255)},
      {RGB(255, 255, 255), RGB(0, 0, 100)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.ink << " on " << c.ground);
    const Counts counts = DrawAndCount(c.ink, c.ground);
    EXPECT_GT(counts.ink, 20);  // the strokes' cores
    // Most of the area, the inside of the letters' boxes included, is untouched.
    EXPECT_GT(counts.ground, 120 * 40 * 9 / 10);
  }
}
