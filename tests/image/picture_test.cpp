// The picture object: choice of handler, the DIB that Create makes, the pixel
// accessors and the palettes.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/globalmem.h"
#include "framework/headless/headless_platform.h"
#include "framework/platform.h"
#include "image/bmp_image_impl.h"
#include "image/gif_image_impl.h"
#include "image/jpeg_image_impl.h"
#include "image/png_image_impl.h"
#include "tests/image/image_test_support.h"

using image_test::Suite;

namespace {

struct ExtensionCase {
  const char* name;
  int type;
};

class ExtensionLookup : public testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionLookup, GivesTheTypeOfTheLastExtension) {
  EXPECT_EQ(LookupImageType(FindExtension(GetParam().name)), GetParam().type) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExtensionLookup,
    testing::Values(ExtensionCase{"a.png", IMAGE_PNG}, ExtensionCase{"A.PNG", IMAGE_PNG},
                    ExtensionCase{"b.Png", IMAGE_PNG}, ExtensionCase{"c.bmp", IMAGE_BMP},
                    ExtensionCase{"d.gif", IMAGE_GIF}, ExtensionCase{"e.JPG", IMAGE_JPG},
                    ExtensionCase{"f.xpm", IMAGE_XPM}, ExtensionCase{"g.jpeg", IMAGE_UNKNOWN},
                    ExtensionCase{"h.pn", IMAGE_UNKNOWN}, ExtensionCase{"i.pngx", IMAGE_UNKNOWN},
                    ExtensionCase{"noextension", IMAGE_UNKNOWN},
                    ExtensionCase{"ends.in.point.", IMAGE_UNKNOWN},
                    ExtensionCase{"dir.png/file", IMAGE_UNKNOWN},
                    ExtensionCase{"two.gif.png", IMAGE_PNG}, ExtensionCase{"", IMAGE_UNKNOWN}));

TEST(Picture, TypeByExtensionChoosesTheHandler) {
  CPicture png(Suite("basn3p08.png"), IMAGE_UNKNOWN);
  EXPECT_NE(dynamic_cast<CPngImageImpl*>(png.GetImpl()), nullptr);
  EXPECT_TRUE(png.IsValid());

  for (const char* name : {"x.jpeg", "x", "x."}) {
    CPicture none(name, IMAGE_UNKNOWN);
    EXPECT_EQ(none.GetImpl(), nullptr) << name;
    EXPECT_FALSE(none.IsValid());
    EXPECT_FALSE(none.Load(name, IMAGE_UNKNOWN));
  }
  CPicture xpm("x.xpm", IMAGE_XPM);
  EXPECT_EQ(xpm.GetImpl(), nullptr);
  EXPECT_FALSE(xpm.IsValid());

  CPicture bmp("x.png", IMAGE_BMP);
  EXPECT_NE(dynamic_cast<CBmpImageImpl*>(bmp.GetImpl()), nullptr);
  CPicture gif("x.png", IMAGE_GIF);
  EXPECT_NE(dynamic_cast<CGifImageImpl*>(gif.GetImpl()), nullptr);
  CPicture jpeg("x.png", IMAGE_JPG);
  auto* j = dynamic_cast<CJpegImageImpl*>(jpeg.GetImpl());
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(j->m_nQuality, 30);
  EXPECT_EQ(j->m_nTransparent, -1);
  EXPECT_EQ(j->m_strPath, "x.png");
}

TEST(Picture, AMissingFileKeepsItsHandlerAndDrawsNothing) {
  CPicture p("/nonexistent/folder/page.png", IMAGE_PNG);
  ASSERT_NE(p.GetImpl(), nullptr);
  EXPECT_FALSE(p.IsValid());
  EXPECT_EQ(p.GetWidth(), 0);
  EXPECT_EQ(p.GetHeight(), 0);
  EXPECT_EQ(p.GetPalette(), nullptr);
  image_test::Canvas canvas(8, 8);
  EXPECT_FALSE(p.Draw(&canvas.dc, 0, 0));
  EXPECT_EQ(canvas.At(0, 0), RGB(10, 20, 30));
}

TEST(Picture, LoadingWithTheSameTypeKeepsTheHandler) {
  CPicture p(Suite("basn3p08.png"), IMAGE_PNG);
  CImageImpl* first = p.GetImpl();
  EXPECT_TRUE(p.Load(Suite("basn2c08.png"), IMAGE_PNG));
  EXPECT_EQ(p.GetImpl(), first);
  EXPECT_EQ(p.GetBitsPerPixel(), 24);
  p.Load("other.bmp", IMAGE_BMP);
  EXPECT_NE(dynamic_cast<CBmpImageImpl*>(p.GetImpl()), nullptr);
  EXPECT_EQ(p.m_nType, IMAGE_BMP);
}

struct CreateCase {
  int width, height, depth, colorType;
  int wantColorType, wantRowBytes, wantColours;
};

class CreateDib : public testing::TestWithParam<CreateCase> {};

TEST_P(CreateDib, MakesThePackedBottomUpDib) {
  const CreateCase& c = GetParam();
  CPicture p;
  ASSERT_EQ(p.Create(c.width, c.height, c.depth, c.colorType), c.wantRowBytes);
  EXPECT_NE(dynamic_cast<CBmpImageImpl*>(p.GetImpl()), nullptr);
  EXPECT_EQ(p.m_nType, IMAGE_BMP);
  EXPECT_EQ(p.GetColorType(), c.wantColorType);
  EXPECT_EQ(p.GetRowBytes(), c.wantRowBytes);
  const BYTE* dib = p.GetImpl()->m_pDIB;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  EXPECT_EQ(h->biSize, 40u);
  EXPECT_EQ(h->biWidth, c.width);
  EXPECT_EQ(h->biHeight, c.height);
  EXPECT_EQ(h->biPlanes, 1);
  EXPECT_EQ(h->biBitCount, c.depth);
  EXPECT_EQ(h->biCompression, BI_RGB);
  EXPECT_EQ(h->biSizeImage, static_cast<DWORD>(c.wantRowBytes * c.height));
  EXPECT_EQ(h->biClrUsed, static_cast<DWORD>(c.wantColours));
  EXPECT_EQ(p.GetBits(), dib + 40 + 4 * c.wantColours);
  HGLOBAL block = GlobalHandle(dib);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 40u + 1024u + static_cast<std::size_t>(c.wantRowBytes) * c.height);
  EXPECT_EQ(GlobalLockCount(block), 1u);
  for (int i = 0; i < c.wantRowBytes * c.height; ++i) ASSERT_EQ(p.GetBits()[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CreateDib,
    testing::Values(CreateCase{10, 5, 8, -1, 0, 12, 256}, CreateCase{33, 1, 24, -1, 2, 100, 0},
                    CreateCase{3, 2, 1, -1, 0, 4, 2}, CreateCase{9, 3, 4, 3, 3, 8, 16},
                    CreateCase{32, 2, 1, -1, 0, 4, 2}, CreateCase{33, 2, 1, -1, 0, 8, 2},
                    CreateCase{7, 7, 16, -1, 2, 16, 0}, CreateCase{1, 1, 8, 0, 0, 4, 256}));

TEST(Create, FillsTheColourTableWithTheStandardColoursInGroupsOfSixteen) {
  const RGBQUAD standard[16] = {
      {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
      {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
      {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
      {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
  for (int depth : {1, 4, 8}) {
    CPicture p;
    ASSERT_GT(p.Create(4, 4, depth, -1), 0);
    const auto* table = reinterpret_cast<const RGBQUAD*>(p.GetImpl()->m_pDIB + 40);
    const int n = 1 << depth;
    for (int i = 0; i < n; ++i) {
      const RGBQUAD want = n < 16 ? RGBQUAD{0, 0, 0, 0} : standard[i % 16];
      EXPECT_EQ(std::memcmp(&table[i], &want, 4), 0) << "depth " << depth << " entry " << i;
    }
  }
}

TEST(Create, RefusesSizesOverTheLimitsWithoutAllocating) {
  struct Case {
    int w, h, depth;
  } cases[] = {{0, 1, 8},          {1, 0, 8},          {-5, 5, 8},  {16385, 1, 8}, {1, 16385, 8},
               {16384, 16384, 24}, {12000, 12000, 24}, {10, 10, 2}, {10, 10, 7},   {10, 10, 0}};
  for (const Case& c : cases) {
    CPicture p;
    EXPECT_EQ(p.Create(c.w, c.h, c.depth, -1), 0) << c.w << "x" << c.h << "x" << c.depth;
    EXPECT_FALSE(p.IsValid());
    EXPECT_EQ(p.GetWidth(), 0);
  }
}

TEST(Create, AgainDropsThePaletteButKeepsTheTransparentIndex) {
  CPicture p;
  p.Create(4, 4, 8, -1);
  BYTE ramp[4] = {0, 1, 2, 3};
  p.SetPalette(4, ramp, nullptr, nullptr);
  p.GetImpl()->m_nTransparent = 5;
  p.Create(2, 2, 8, -1);
  EXPECT_EQ(p.GetPalette(), nullptr);
  EXPECT_EQ(p.GetImpl()->m_nTransparent, 5);
  EXPECT_EQ(p.GetColorType(), 0);
}

TEST(PixelAccess, IndexAccessorsRefuseOutsideAndDeepPictures) {
  CPicture p;
  p.Create(4, 3, 8, -1);
  EXPECT_EQ(p.GetPixelIndex(-1, 0), -1);
  EXPECT_EQ(p.GetPixelIndex(4, 0), -1);
  EXPECT_EQ(p.GetPixelIndex(0, 3), -1);
  EXPECT_FALSE(p.SetPixelIndex(0, -1, 1));
  EXPECT_TRUE(p.SetPixelIndex(3, 2, 200));
  EXPECT_EQ(p.GetPixelIndex(3, 2), 200);
  // Row y is in memory order.
  EXPECT_EQ(p.GetBits()[2 * p.GetRowBytes() + 3], 200);

  CPicture deep;
  deep.Create(4, 3, 24, -1);
  EXPECT_EQ(deep.GetPixelIndex(0, 0), -1);
  EXPECT_FALSE(deep.SetPixelIndex(0, 0, 1));
  EXPECT_TRUE(deep.SetPixelRGB(1, 1, 10, 20, 30));
  const BYTE* px = deep.GetBits() + deep.GetRowBytes() + 3;
  EXPECT_EQ(px[0], 30);
  EXPECT_EQ(px[1], 20);
  EXPECT_EQ(px[2], 10);
  BYTE r = 0, g = 0, b = 0;
  EXPECT_TRUE(deep.GetPixelRGB(1, 1, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(10, 20, 30));
  EXPECT_FALSE(deep.GetPixelRGB(4, 1, r, g, b));
  EXPECT_FALSE(deep.SetPixelRGB(0, 3, 1, 2, 3));
}

TEST(PixelAccess, SubBytePixelsTouchOnlyTheirOwnBits) {
  struct Case {
    int depth, x, index;
    BYTE wantByte;
  } cases[] = {
      {4, 0, 0xA, 0xA0}, {4, 1, 0x5, 0x05}, {1, 0, 1, 0x80}, {1, 7, 1, 0x01}, {1, 3, 1, 0x10}};
  for (const Case& c : cases) {
    CPicture p;
    p.Create(9, 1, c.depth, -1);
    EXPECT_TRUE(p.SetPixelIndex(c.x, 0, c.index));
    EXPECT_EQ(p.GetBits()[0], c.wantByte) << c.depth << "/" << c.x;
    EXPECT_EQ(p.GetPixelIndex(c.x, 0), c.index);
    // Neighbours are untouched and read back as zero.
    EXPECT_EQ(p.GetPixelIndex(c.x ^ 1, 0), 0);
  }
  CPicture four;
  four.Create(3, 1, 4, -1);
  four.SetPixelIndex(0, 0, 0x3);
  four.SetPixelIndex(1, 0, 0xC);
  four.SetPixelIndex(0, 0, 0x7);
  EXPECT_EQ(four.GetBits()[0], 0x7C);
  // Values wider than the depth keep to the pixel's bits.
  four.SetPixelIndex(2, 0, 0xFF);
  EXPECT_EQ(four.GetBits()[1], 0xF0);
}

TEST(PixelAccess, ColoursGoThroughThePalette) {
  CPicture p;
  p.Create(2, 2, 8, -1);
  const BYTE triples[] = {0, 0, 0, 250, 10, 10, 10, 250, 10};
  ASSERT_TRUE(p.SetPalette(3, triples));
  EXPECT_EQ(p.GetColorType(), 3);
  EXPECT_TRUE(p.SetPixelRGB(1, 0, 240, 0, 0));
  EXPECT_EQ(p.GetPixelIndex(1, 0), 1);
  BYTE r, g, b;
  EXPECT_TRUE(p.GetPixelRGB(1, 0, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(250, 10, 10));
  // An index past the palette's end has no colour.
  p.SetPixelIndex(0, 1, 7);
  EXPECT_FALSE(p.GetPixelRGB(0, 1, r, g, b));

  // Index pixels without a palette take the colour table's colours.
  CPicture plain;
  plain.Create(2, 1, 4, 3);
  EXPECT_FALSE(plain.SetPixelRGB(0, 0, 255, 0, 0));  // palette pixels need a palette
  CPicture grey;
  grey.Create(2, 1, 4, 0);
  EXPECT_TRUE(grey.SetPixelRGB(0, 0, 250, 0, 0));
  EXPECT_EQ(grey.GetPixelIndex(0, 0), 9);  // standard red
  EXPECT_TRUE(grey.GetPixelRGB(0, 0, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(255, 0, 0));
}

TEST(Palette, OneArrayGivesAGreyRamp) {
  CPicture p;
  p.Create(4, 4, 8, -1);
  BYTE ramp[256];
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<BYTE>(i);
  ASSERT_TRUE(p.SetPalette(256, ramp, nullptr, nullptr));
  ASSERT_NE(p.GetPalette(), nullptr);
  EXPECT_EQ(p.GetPalette()->GetEntryCount(), 256);
  for (int i : {0, 1, 127, 255}) {
    BYTE r, g, b;
    ASSERT_TRUE(GetPaletteEntryRGB(p.GetPalette(), i, r, g, b));
    EXPECT_EQ(RGB(r, g, b), RGB(i, i, i));
  }
  // The colour table is in index form.
  const auto* table = reinterpret_cast<const WORD*>(p.GetImpl()->m_pDIB + 40);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i);
}

TEST(Palette, WithoutADibTheResultIsZeroButThePaletteIsKept) {
  CPngImageImpl impl;
  BYTE one[1] = {5};
  EXPECT_FALSE(impl.SetPalette(1, one, nullptr, nullptr));
  ASSERT_NE(impl.GetPalette(), nullptr);
  EXPECT_EQ(impl.m_nColorType, 3);
  EXPECT_FALSE(impl.SetPalette(static_cast<CPalette*>(nullptr)));
  EXPECT_FALSE(impl.SetPalette(0, one, nullptr, nullptr));
}

TEST(Palette, GivenPaletteObjectIsOwnedByThePicture) {
  CPicture p;
  p.Create(2, 2, 4, -1);
  CPalette* given = image_test::MakePalette({RGB(1, 2, 3), RGB(4, 5, 6)});
  ASSERT_TRUE(p.SetPalette(given));
  EXPECT_EQ(p.GetPalette(), given);
  // Giving it again does not free it.
  ASSERT_TRUE(p.SetPalette(given));
  BYTE r, g, b;
  ASSERT_TRUE(GetPaletteEntryRGB(p.GetPalette(), 1, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(4, 5, 6));
  p.SetPalette(image_test::MakePalette({RGB(9, 9, 9)}));
  ASSERT_TRUE(GetPaletteEntryRGB(p.GetPalette(), 0, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(9, 9, 9));
}

TEST(Palette, ASecondPaletteOfTriplesIsAnnouncedAndReplacesTheFirst) {
  fw::headless::HeadlessPlatform platform;
  fw::SetPlatform(&platform);
  // Answer every message box at once.
  std::function<void()> answer = [&] {
    platform.ClickDialogButton(IDOK);
    platform.WhenIdle(answer);
  };
  platform.WhenIdle(answer);
  {
    CPicture p;
    p.Create(2, 2, 8, -1);
    const BYTE first[] = {1, 1, 1, 2, 2, 2};
    const BYTE second[] = {7, 8, 9};
    EXPECT_TRUE(p.SetPalette(2, first));
    EXPECT_TRUE(platform.messageBoxes.empty());
    EXPECT_TRUE(p.SetPalette(1, second));
    ASSERT_EQ(platform.messageBoxes.size(), 1u);
    EXPECT_EQ(platform.messageBoxes[0].text, "CImageImpl::imagePalette already exists!");
    EXPECT_EQ(platform.messageBoxes[0].type, MB_OK);
    EXPECT_EQ(p.GetPalette()->GetEntryCount(), 1);
    BYTE r, g, b;
    ASSERT_TRUE(GetPaletteEntryRGB(p.GetPalette(), 0, r, g, b));
    EXPECT_EQ(RGB(r, g, b), RGB(7, 8, 9));
  }
  fw::SetPlatform(nullptr);
}

TEST(PaletteFunctions, EntriesOutsideThePaletteCannotBeRead) {
  CPalette* p = image_test::MakePalette({RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9)});
  BYTE r = 0, g = 0, b = 0;
  for (int index : {-1, 256, 3, 255}) {
    EXPECT_FALSE(GetPaletteEntryRGB(p, index, r, g, b)) << index;
  }
  EXPECT_TRUE(GetPaletteEntryRGB(p, 2, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(7, 8, 9));
  EXPECT_EQ(NearestPaletteIndex(p, 5, 5, 5), 1);
  EXPECT_EQ(NearestPaletteIndex(nullptr, 5, 5, 5), -1);
  // A palette object that already holds one is refused.
  const BYTE one[1] = {0};
  EXPECT_FALSE(CreatePaletteFromArrays(p, 1, one, one, one));
  delete p;
}

TEST(PaletteFunctions, ColourTableForms) {
  CPicture p;
  p.Create(2, 2, 4, -1);
  BYTE* dib = p.GetImpl()->m_pDIB;
  CPalette* pal = image_test::MakePalette({RGB(10, 20, 30), RGB(40, 50, 60)});
  // Colour form: entries the palette lacks are zero.
  ASSERT_TRUE(FillColorTable(dib, pal->GetSafeHandle(), 0));
  const auto* table = reinterpret_cast<const RGBQUAD*>(dib + 40);
  EXPECT_EQ(table[1].rgbRed, 40);
  EXPECT_EQ(table[1].rgbBlue, 60);
  EXPECT_EQ(table[2].rgbRed, 0);
  // Back to a palette, then index form.
  HPALETTE made = CreatePaletteFromDIB(dib, 0);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(GetPaletteEntries(made, 0, 0, nullptr), 16u);
  PALETTEENTRY e{};
  GetPaletteEntries(made, 1, 1, &e);
  EXPECT_EQ(RGB(e.peRed, e.peGreen, e.peBlue), RGB(40, 50, 60));
  DeleteObject(made);
  ASSERT_TRUE(FillColorTable(dib, pal->GetSafeHandle(), 1));
  EXPECT_EQ(reinterpret_cast<const WORD*>(dib + 40)[15], 15);
  EXPECT_FALSE(FillColorTable(nullptr, nullptr, 1));
  // A null palette is the system's default one.
  ASSERT_TRUE(FillColorTable(dib, nullptr, 0));
  EXPECT_EQ(RGB(table[9].rgbRed, table[9].rgbGreen, table[9].rgbBlue), RGB(166, 202, 240));

  // A 24-bit picture keeps no colour table.
  CPicture deep;
  deep.Create(2, 2, 24, -1);
  std::vector<BYTE> before(deep.GetImpl()->m_pDIB, deep.GetImpl()->m_pDIB + 40 + 1024);
  EXPECT_TRUE(FillColorTable(deep.GetImpl()->m_pDIB, pal->GetSafeHandle(), 0));
  EXPECT_EQ(std::memcmp(before.data(), deep.GetImpl()->m_pDIB, before.size()), 0);
  EXPECT_EQ(CreatePaletteFromDIB(deep.GetImpl()->m_pDIB, 0), nullptr);
  delete pal;
}

TEST(GlobalMemory, BlocksAreFoundFromTheirAddressAndFreedOnce) {
  HGLOBAL h = GlobalAlloc(GHND, 100);
  ASSERT_NE(h, nullptr);
  auto* p = static_cast<BYTE*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0);
  EXPECT_EQ(GlobalHandle(p), h);
  EXPECT_EQ(GlobalHandle(p + 1), nullptr);
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_TRUE(GlobalUnlock(h));   // still locked once
  EXPECT_FALSE(GlobalUnlock(h));  // now unlocked
  EXPECT_FALSE(GlobalUnlock(h));
  p[99] = 7;
  // Unlocked, it may grow and move; the new bytes are zero.
  HGLOBAL g = GlobalReAlloc(h, 5000, GMEM_ZEROINIT);
  ASSERT_EQ(g, h);
  auto* q = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(q[99], 7);
  EXPECT_EQ(q[4999], 0);
  EXPECT_EQ(GlobalSize(h), 5000u);
  // Locked without GMEM_MOVEABLE it may not grow, only shrink in place.
  EXPECT_EQ(GlobalReAlloc(h, 10000, 0), nullptr);
  EXPECT_EQ(GlobalReAlloc(h, 10, 0), h);
  EXPECT_EQ(GlobalLock(h), q);
  GlobalUnlock(h);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalFree(h), h);  // a stale handle is refused
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalHandle(q), nullptr);
  EXPECT_EQ(GlobalAlloc(GHND, std::size_t{1} << 40), nullptr);
}

}  // namespace
