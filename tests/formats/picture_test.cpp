// The picture object reaches the three handlers by type code and by
// extension, and a converted picture survives every format.
#include "image/picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "format_test_support.h"
#include "image/bmp_image_impl.h"
#include "image/gif_image_impl.h"
#include "image/jpeg_image_impl.h"

namespace {

using formats_test::PictureRgb;
using formats_test::TempFolder;
using formats_test::TestData;

TEST(FormatPictures, LoadByTypeAndByExtension) {
  struct Case {
    const char* file;
    int type;
    int width;
  };
  const Case cases[] = {
      {"bmpsuite/g/pal8.bmp", IMAGE_BMP, 127},
      {"bmpsuite/g/pal8.bmp", IMAGE_UNKNOWN, 127},
      {"gif/giflib/porsche.gif", IMAGE_GIF, 320},
      {"gif/giflib/porsche.gif", IMAGE_UNKNOWN, 320},
      {"jpeg/libjpeg-turbo/testorig.jpg", IMAGE_JPG, 227},
      {"jpeg/libjpeg-turbo/testorig.jpg", IMAGE_UNKNOWN, 227},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.type));
    CPicture picture(TestData(c.file), c.type);
    EXPECT_TRUE(picture.IsValid());
    EXPECT_EQ(picture.GetWidth(), c.width);
  }
  // A file of one format given the type of another is refused by that handler.
  CPicture wrong(TestData("gif/giflib/porsche.gif"), IMAGE_BMP);
  EXPECT_FALSE(wrong.IsValid());
}

// A palette picture written as BMP, read back, written as GIF, read back:
// the same colours at every step.
TEST(FormatPictures, ThroughBmpAndGifUnchanged) {
  TempFolder dir;
  CBmpImageImpl bmp(TestData("bmpsuite/g/pal4rle.bmp"));
  ASSERT_TRUE(bmp.Read(""));
  const std::vector<BYTE> want = PictureRgb(bmp);
  ASSERT_TRUE(bmp.Write(dir / "a.bmp"));
  CBmpImageImpl again(dir / "a.bmp");
  ASSERT_TRUE(again.Read(""));
  EXPECT_EQ(PictureRgb(again), want);

  CGifImageImpl gif;
  ASSERT_GT(gif.Create(again.m_nWidth, again.m_nHeight, again.m_nBitsPerPixel, -1), 0);
  std::memcpy(gif.m_pBits, again.m_pBits,
              static_cast<std::size_t>(again.m_nRowBytes) * again.m_nHeight);
  BYTE rgb[256 * 3] = {};
  for (int i = 0; i < 16; ++i)
    GetPaletteEntryRGB(again.imagePalette, i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  gif.SetPalette(16, rgb);
  ASSERT_TRUE(gif.Write(dir / "b.gif"));
  CGifImageImpl back(dir / "b.gif");
  ASSERT_TRUE(back.Read(""));
  EXPECT_EQ(PictureRgb(back), want);
}

}  // namespace
