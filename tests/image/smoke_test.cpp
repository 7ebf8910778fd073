#include <gtest/gtest.h>

#include "framework/dc.h"
#include "image/image_impl.h"
#include "image/picture.h"

TEST(Smoke, ReadsPalettePng) {
  CPicture p(PIPPALEE_TESTDATA_DIR "/pngsuite/basn3p08.png", IMAGE_PNG);
  ASSERT_TRUE(p.IsValid());
  EXPECT_EQ(p.GetWidth(), 32);
  EXPECT_EQ(p.GetBitsPerPixel(), 8);
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(mem, 64, 64);
  SelectObject(mem, bmp);
  CDC dc;
  dc.Attach(mem);
  dc.SelectPalette(p.GetPalette(), TRUE);
  dc.RealizePalette();
  EXPECT_TRUE(p.Draw(&dc, 6, 6));
  BYTE r, g, b;
  p.GetPixelRGB(0, 31, r, g, b);
  EXPECT_EQ(dc.GetPixel(6, 6), RGB(r, g, b));
  dc.Detach();
  DeleteDC(mem);
  DeleteObject(bmp);
}
