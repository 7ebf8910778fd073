// Drawing pictures on a surface: position, source origin, the selected
// palette, the clip region, stretching and the transparent draw.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>

#include "framework/headless/headless_platform.h"
#include "framework/metafile.h"
#include "framework/platform.h"
#include "framework/surface.h"
#include "framework/wnd.h"
#include "framework/wnd_internal.h"
#include "tests/image/image_test_support.h"
#include "tests/support/allocation_watch.h"

using image_test::Canvas;
using image_test::MakePalette;

namespace {

constexpr COLORREF kFill = RGB(10, 20, 30);

// An 8-bit picture whose pixel (x, row y from the top) has index
// (x + 2 * y) % 64, with a 64-entry palette of distinct colours.
struct Page {
  explicit Page(int w = 60, int h = 70) : width(w), height(h) {
    picture.Create(w, h, 8, -1);
    std::vector<COLORREF> colours;
    for (int i = 0; i < 64; ++i) colours.push_back(RGB(4 * i, 255 - 4 * i, (i * 37) & 0xFF));
    picture.SetPalette(MakePalette(colours));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) picture.SetPixelIndex(x, h - 1 - y, (x + 2 * y) % 64);
    }
  }
  // The colour of the picture's pixel (x, y from the top).
  COLORREF At(int x, int y) {
    BYTE r, g, b;
    picture.GetPixelRGB(x, height - 1 - y, r, g, b);
    return RGB(r, g, b);
  }
  int width, height;
  CPicture picture;
};

void SelectPictures(Canvas& c, CPicture& p) {
  c.dc.SelectPalette(p.GetPalette(), TRUE);
  c.dc.RealizePalette();
}

TEST(Draw, TheWholePictureAtItsPosition) {
  Page page;
  Canvas canvas(80, 90);
  SelectPictures(canvas, page.picture);
  ASSERT_TRUE(page.picture.Draw(&canvas.dc, 6, 6, -1, -1, 0, 0));
  for (int y = 0; y < 90; ++y) {
    for (int x = 0; x < 80; ++x) {
      const bool inside = x >= 6 && x < 66 && y >= 6 && y < 76;
      ASSERT_EQ(canvas.At(x, y), inside ? page.At(x - 6, y - 6) : kFill) << x << "," << y;
    }
  }
}

TEST(Draw, ABlockFromASourceOriginCountedFromTheBottomRow) {
  Page page;
  Canvas canvas(80, 90);
  SelectPictures(canvas, page.picture);
  ASSERT_TRUE(page.picture.Draw(&canvas.dc, 0, 0, 40, 40, 10, 20));
  // The block's bottom-left corner is 20 rows above the picture's bottom
  // row: its top row is picture row 70 - 20 - 40 = 10 from the top.
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const bool inside = x < 40 && y < 40;
      ASSERT_EQ(canvas.At(x, y), inside ? page.At(10 + x, 10 + y) : kFill) << x << "," << y;
    }
  }
}

TEST(Draw, SourceRectanglePastThePictureDrawsOnlyThePicture) {
  Page page(10, 10);
  Canvas canvas(40, 40);
  SelectPictures(canvas, page.picture);
  page.picture.Draw(&canvas.dc, 5, 5, 30, 30, -5, 0);
  EXPECT_EQ(canvas.At(9, 30), kFill);           // left of the picture
  EXPECT_EQ(canvas.At(10, 34), page.At(0, 9));  // bottom-left pixel
  EXPECT_EQ(canvas.At(19, 25), page.At(9, 0));  // top-right pixel
  EXPECT_EQ(canvas.At(20, 25), kFill);
  EXPECT_EQ(canvas.At(10, 24), kFill);  // above the picture
}

TEST(Draw, TheSelectedPaletteDecidesTheColours) {
  CPicture p;
  p.Create(2, 1, 8, -1);
  p.SetPalette(MakePalette({RGB(255, 0, 0), RGB(0, 255, 0)}));
  p.SetPixelIndex(1, 0, 1);
  Canvas canvas(4, 1);
  std::unique_ptr<CPalette> other(MakePalette({RGB(1, 2, 3), RGB(4, 5, 6)}));
  canvas.dc.SelectPalette(other.get(), TRUE);
  canvas.dc.RealizePalette();
  p.Draw(&canvas.dc, 0, 0);
  EXPECT_EQ(canvas.At(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(canvas.At(1, 0), RGB(4, 5, 6));
  canvas.dc.SelectPalette(p.GetPalette(), TRUE);
  p.Draw(&canvas.dc, 0, 0);
  EXPECT_EQ(canvas.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(1, 0), RGB(0, 255, 0));
  // Indices past the selected palette's end draw black.
  p.SetPixelIndex(0, 0, 200);
  p.Draw(&canvas.dc, 0, 0);
  EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 0));
}

TEST(Draw, DepthsAndPicturesWithoutPalette) {
  struct Case {
    int depth;
  } cases[] = {{1}, {4}, {8}, {16}, {24}, {32}};
  for (const Case& c : cases) {
    CPicture p;
    p.Create(11, 3, c.depth, -1);
    // Without a palette, index pixels show the colour table's colours.
    p.SetPixelRGB(0, 2, 255, 255, 255);
    p.SetPixelRGB(10, 0, c.depth == 1 ? 0 : 255, 0, 0);
    p.SetPixelRGB(5, 1, 255, 255, 255);
    Canvas canvas(11, 3, RGB(1, 1, 1));
    ASSERT_TRUE(p.Draw(&canvas.dc, 0, 0));
    BYTE r, g, b;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{10, 2}, std::pair{5, 1}, std::pair{3, 1}}) {
      ASSERT_TRUE(p.GetPixelRGB(x, 2 - y, r, g, b));
      EXPECT_EQ(canvas.At(x, y), RGB(r, g, b)) << "depth " << c.depth << " at " << x << "," << y;
    }
  }
}

TEST(Draw, TheClipRegionIsRespected) {
  Page page;
  Canvas canvas(80, 90);
  SelectPictures(canvas, page.picture);
  CRgn circle;
  circle.CreateEllipticRgn(10, 10, 50, 50);
  canvas.dc.SelectClipRgn(&circle);
  page.picture.Draw(&canvas.dc, 0, 0);
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 60; ++x) {
      ASSERT_EQ(canvas.At(x, y), circle.PtInRegion(x, y) ? page.At(x, y) : kFill) << x << "," << y;
    }
  }
}

TEST(Draw, WithoutDibOrDeviceContext) {
  CPicture empty;
  Canvas canvas(4, 4);
  EXPECT_FALSE(empty.Draw(&canvas.dc, 0, 0));
  EXPECT_FALSE(empty.StretchDraw(&canvas.dc, 0, 0));
  Page page;
  EXPECT_TRUE(page.picture.Draw(nullptr, 0, 0));
  CDC detached;
  EXPECT_TRUE(page.picture.Draw(&detached, 0, 0));
  EXPECT_TRUE(page.picture.StretchDraw(&detached, 0, 0));
}

TEST(StretchDraw, ScalesWithColourOnColour) {
  Page page(10, 8);
  Canvas canvas(40, 40);
  SelectPictures(canvas, page.picture);
  ASSERT_TRUE(page.picture.StretchDraw(&canvas.dc, 0, 0, 20, 24, 0, 0, -1, -1));
  EXPECT_EQ(GetStretchBltMode(canvas.dc.GetSafeHdc()), COLORONCOLOR);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(canvas.At(x, y), page.At(x / 2, y / 3)) << x << "," << y;
  }
  EXPECT_EQ(canvas.At(20, 0), kFill);
  EXPECT_EQ(canvas.At(0, 24), kFill);
  // Halving drops every other line.
  Canvas half(10, 10);
  SelectPictures(half, page.picture);
  page.picture.StretchDraw(&half.dc, 0, 0, 5, 4, 0, 0, 10, 8);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) ASSERT_EQ(half.At(x, y), page.At(2 * x, 2 * y)) << x << "," << y;
  }
}

TEST(StretchDraw, TransparentPixelsLeaveTheSurfaceUntouched) {
  // A palette without pure black or white, and a surface of many colours.
  Page page(12, 9);
  page.picture.GetImpl()->m_nTransparent = 5;
  Canvas canvas(30, 30);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) canvas.dc.FillSolidRect(x, y, 1, 1, RGB(x * 8, y * 8, 100));
  }
  SelectPictures(canvas, page.picture);
  std::vector<BYTE> before(page.picture.GetBits(),
                           page.picture.GetBits() + page.picture.GetRowBytes() * 9);
  ASSERT_TRUE(page.picture.StretchDraw(&canvas.dc, 3, 4, 24, 18, 0, 0, -1, -1));
  int transparent = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const bool inside = x >= 3 && x < 27 && y >= 4 && y < 22;
      const int px = (x - 3) / 2, py = (y - 4) / 2;
      const bool clear = inside && page.picture.GetPixelIndex(px, 8 - py) == 5;
      transparent += clear;
      const COLORREF want = inside && !clear ? page.At(px, py) : RGB(x * 8, y * 8, 100);
      ASSERT_EQ(canvas.At(x, y), want) << x << "," << y;
    }
  }
  EXPECT_GT(transparent, 0);
  // The picture's own pixels are as they were.
  EXPECT_EQ(std::memcmp(before.data(), page.picture.GetBits(), before.size()), 0);
}

TEST(DibCalls, RasterOperationsAndRefusals) {
  // A 24-bit DIB of two pixels: 0x0F0F0F and 0xF0F0F0.
  CPicture p;
  p.Create(2, 1, 24, -1);
  p.SetPixelRGB(0, 0, 0x0F, 0x0F, 0x0F);
  p.SetPixelRGB(1, 0, 0xF0, 0xF0, 0xF0);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(p.GetImpl()->m_pDIB);
  struct Case {
    DWORD rop;
    COLORREF want0, want1;
  } cases[] = {{SRCCOPY, RGB(0x0F, 0x0F, 0x0F), RGB(0xF0, 0xF0, 0xF0)},
               {SRCAND, RGB(0x0C, 0x0C, 0x0C), RGB(0x30, 0x30, 0x30)},
               {SRCPAINT, RGB(0x3F, 0x3F, 0x3F), RGB(0xFC, 0xFC, 0xFC)}};
  for (const Case& c : cases) {
    Canvas canvas(2, 1, RGB(0x3C, 0x3C, 0x3C));
    EXPECT_EQ(StretchDIBits(canvas.dc.GetSafeHdc(), 0, 0, 2, 1, 0, 0, 2, 1, p.GetBits(), info,
                            DIB_RGB_COLORS, c.rop),
              1);
    EXPECT_EQ(canvas.At(0, 0), c.want0) << std::hex << c.rop;
    EXPECT_EQ(canvas.At(1, 0), c.want1) << std::hex << c.rop;
  }
  Canvas canvas(2, 1);
  HDC dc = canvas.dc.GetSafeHdc();
  EXPECT_EQ(
      StretchDIBits(dc, 0, 0, 2, 1, 0, 0, 2, 1, p.GetBits(), info, DIB_RGB_COLORS, 0x00330008), 0);
  EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 1, 0, 0, 2, 1, nullptr, info, DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(SetDIBitsToDevice(dc, 0, 0, 2, 1, 0, 0, 0, 1, p.GetBits(), nullptr, DIB_RGB_COLORS), 0);
  // Coordinates no surface has are refused rather than overflowing.
  EXPECT_EQ(StretchDIBits(dc, INT_MAX, 0, 2, 1, INT_MIN, 0, 2, 1, p.GetBits(), info, DIB_RGB_COLORS,
                          SRCCOPY),
            0);
  EXPECT_EQ(
      SetDIBitsToDevice(dc, 0, INT_MIN, 2, 1, INT_MAX, 0, 0, 1, p.GetBits(), info, DIB_RGB_COLORS),
      0);
  // Mirrored by a negative width.
  StretchDIBits(dc, 0, 0, 2, 1, 2, 0, -2, 1, p.GetBits(), info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(canvas.At(0, 0), RGB(0xF0, 0xF0, 0xF0));
  EXPECT_EQ(canvas.At(1, 0), RGB(0x0F, 0x0F, 0x0F));
  // Start scan and scan lines: only the rows given are drawn.
  CPicture tall;
  tall.Create(1, 4, 24, -1);
  for (int y = 0; y < 4; ++y) tall.SetPixelRGB(0, y, static_cast<BYTE>(50 * (y + 1)), 0, 0);
  Canvas column(1, 4, RGB(1, 1, 1));
  const auto* tallInfo = reinterpret_cast<const BITMAPINFO*>(tall.GetImpl()->m_pDIB);
  // Rows 1 and 2 (from the bottom), the bits starting at row 1.
  EXPECT_EQ(SetDIBitsToDevice(column.dc.GetSafeHdc(), 0, 0, 1, 4, 0, 0, 1, 2,
                              tall.GetBits() + tall.GetRowBytes(), tallInfo, DIB_RGB_COLORS),
            2);
  EXPECT_EQ(column.At(0, 0), RGB(1, 1, 1));
  EXPECT_EQ(column.At(0, 1), RGB(150, 0, 0));
  EXPECT_EQ(column.At(0, 2), RGB(100, 0, 0));
  EXPECT_EQ(column.At(0, 3), RGB(1, 1, 1));
}

}  // namespace

namespace {

// On a window: drawing lands in the child's part of its top-level surface and
// never outside the child.
TEST(Draw, IntoAChildWindowOfAHeadlessSurface) {
  fw::headless::HeadlessPlatform platform;
  fw::SetPlatform(&platform);
  {
    CWnd top, child;
    ASSERT_TRUE(
        top.CreateEx(0, nullptr, "top", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr));
    ASSERT_TRUE(child.CreateEx(0, nullptr, "child", WS_CHILD | WS_VISIBLE, 20, 10, 30, 25,
                               top.m_hWnd, reinterpret_cast<HMENU>(1)));
    Page page(40, 40);
    fw::Surface* s = fw::WindowSurface(top.m_hWnd);
    ASSERT_NE(s, nullptr);
    std::vector<std::uint32_t> before;
    for (int y = 0; y < 80; ++y) {
      for (int x = 0; x < 100; ++x) before.push_back(s->Pixel(x, y));
    }
    {
      CClientDC dc(&child);
      dc.SelectPalette(page.picture.GetPalette(), TRUE);
      dc.RealizePalette();
      ASSERT_TRUE(page.picture.Draw(&dc, 6, 6, -1, -1, 0, 0));
    }
    for (int y = 0; y < 80; ++y) {
      for (int x = 0; x < 100; ++x) {
        // The child's client (0, 0) is (20, 10) on the surface; the picture
        // starts 6 pixels in and is cut at the child's edge.
        const bool drawn = x >= 26 && x < 50 && y >= 16 && y < 35;
        const COLORREF c = drawn ? page.At(x - 26, y - 16) : 0;
        const std::uint32_t want =
            drawn
                ? static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c))
                : before[static_cast<std::size_t>(y) * 100 + x];
        ASSERT_EQ(s->Pixel(x, y), want) << x << "," << y;
      }
    }
    child.DestroyWindow();
    top.DestroyWindow();
  }
  fw::SetPlatform(nullptr);
}

}  // namespace

namespace {

// Drawing into a recording device context (a metafile) keeps the picture:
// played back, it gives the same pixels.
TEST(Draw, IntoAMetafileAndBack) {
  Page page(30, 20);
  HDC meta = CreateEnhMetaFile(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(meta, nullptr);
  CDC recorder;
  recorder.Attach(meta);
  recorder.SelectPalette(page.picture.GetPalette(), TRUE);
  EXPECT_TRUE(page.picture.Draw(&recorder, 0, 0, -1, -1, 0, 0));
  // No raster operations on a device.
  EXPECT_EQ(StretchDIBits(meta, 0, 0, 30, 20, 0, 0, 30, 20, page.picture.GetBits(),
                          reinterpret_cast<const BITMAPINFO*>(page.picture.GetImpl()->m_pDIB),
                          DIB_PAL_COLORS, SRCAND),
            0);
  recorder.Detach();
  HENHMETAFILE recording = CloseEnhMetaFile(meta);
  ASSERT_NE(recording, nullptr);
  Canvas canvas(30, 20);
  const RECT all{0, 0, 30, 20};
  ASSERT_TRUE(PlayEnhMetaFile(canvas.dc.GetSafeHdc(), recording, &all));
  DeleteEnhMetaFile(recording);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) ASSERT_EQ(canvas.At(x, y), page.At(x, y)) << x << "," << y;
  }
}

}  // namespace

// Pictures of 1- and 4-bit pixels draw exactly as copies of them with 8-bit
// pixels (which pixman samples in place), whichever part of them is widened.
TEST(StretchDraw, SubBytePicturesDrawAsTheirByteCopies) {
  const std::vector<COLORREF> colours = {RGB(250, 0, 0),   RGB(0, 250, 0),    RGB(0, 0, 250),
                                         RGB(250, 250, 0), RGB(0, 250, 250),  RGB(250, 0, 250),
                                         RGB(90, 90, 90),  RGB(200, 200, 200)};
  struct Call {
    const char* name;
    int x, y, w, h, xSrc, ySrc, srcW, srcH;
    int transparent;
  };
  // A picture large enough that drawing it small samples only some pixels.
  const int W = 1200, H = 400;
  const Call calls[] = {
      {"much smaller", 3, 4, 30, 20, 0, 0, W, H, -1},
      {"much smaller, mirrored", 40, 30, -33, -21, 0, 0, W, H, -1},
      {"much smaller, source part past the edge", 1, 1, 25, 25, 700, 100, 900, 500, -1},
      {"much smaller, transparent index", 5, 2, 31, 17, 0, 0, W, H, 1},
      {"larger", -20, -10, 90, 70, 100, 50, 30, 20, -1},
      {"larger, transparent index", 0, 0, 64, 48, 10, 10, 16, 12, 2},
      {"mildly smaller, clipped", -7, -5, 64, 50, 300, 0, 90, 70, -1},
  };
  for (int depth : {1, 4}) {
    const int n = std::min<int>(1 << depth, static_cast<int>(colours.size()));
    const std::vector<COLORREF> used(colours.begin(), colours.begin() + n);
    CPicture small, wide;
    ASSERT_TRUE(small.Create(W, H, depth, -1));
    ASSERT_TRUE(wide.Create(W, H, 8, -1));
    small.SetPalette(MakePalette(used));
    wide.SetPalette(MakePalette(used));
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        const int index = ((x / 3) ^ (y * 5) ^ (x * y / 7)) % n;
        small.SetPixelIndex(x, y, index);
        wide.SetPixelIndex(x, y, index);
      }
    }
    for (const Call& c : calls) {
      SCOPED_TRACE(std::string(c.name) + ", depth " + std::to_string(depth));
      Canvas a(48, 40), b(48, 40);
      SelectPictures(a, small);
      SelectPictures(b, wide);
      small.GetImpl()->m_nTransparent = c.transparent;
      wide.GetImpl()->m_nTransparent = c.transparent;
      ASSERT_TRUE(small.StretchDraw(&a.dc, c.x, c.y, c.w, c.h, c.xSrc, c.ySrc, c.srcW, c.srcH));
      ASSERT_TRUE(wide.StretchDraw(&b.dc, c.x, c.y, c.w, c.h, c.xSrc, c.ySrc, c.srcW, c.srcH));
      int drawn = 0;
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 48; ++x) {
          ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y;
          drawn += a.At(x, y) != kFill;
        }
      }
      EXPECT_GT(drawn, 100);
    }
  }
}

// Drawing costs what the area drawn costs: a 16384 by 16384 picture of 1-bit
// pixels drawn small or through a small window is never widened whole.
TEST(Draw, AHugeSubBytePictureWidensOnlyWhatItDraws) {
  if (!test_support::AllocationWatch::Available()) GTEST_SKIP() << "allocations not visible";
  CPicture huge;
  ASSERT_TRUE(huge.Create(16384, 16384, 1, -1));
  huge.SetPalette(MakePalette({RGB(0, 0, 0), RGB(255, 255, 255)}));
  for (int i = 0; i < 16384; i += 2) huge.SetPixelIndex(i, 16383, 1);  // the top row
  Canvas canvas(48, 48);
  SelectPictures(canvas, huge);
  test_support::AllocationWatch watch;
  ASSERT_TRUE(huge.Draw(&canvas.dc, 0, 0));
  EXPECT_EQ(canvas.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(1, 0), RGB(0, 0, 0));
  ASSERT_TRUE(huge.StretchDraw(&canvas.dc, 1, 1, 40, 30));
  huge.GetImpl()->m_nTransparent = 0;
  ASSERT_TRUE(huge.StretchDraw(&canvas.dc, 2, 2, 40, 30));
  ASSERT_TRUE(huge.StretchDraw(&canvas.dc, 0, 0, 48, 48, 16000, 16000, 300, 300));
  EXPECT_LT(watch.largest(), std::size_t{1} << 20);
}
