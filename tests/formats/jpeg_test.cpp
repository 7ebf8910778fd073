// JPEG reading and writing through the handler: the sample suites, the
// palette forms, library errors and the written file's parameters.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "format_test_support.h"
#include "image/jpeg_codec.h"
#include "image/jpeg_image_impl.h"
#include "tests/support/allocation_watch.h"

namespace {

using formats_test::PictureRgb;
using formats_test::ReadBytes;
using formats_test::ReferenceRgb;
using formats_test::TempFolder;
using formats_test::TestData;
using formats_test::WriteBytes;

// The mean absolute difference per channel.
double MeanDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  if (a.size() != b.size() || a.empty()) return 999;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / a.size();
}

// Every sample reads (or is refused where the coding is not baseline or
// progressive 8-bit); colour ones become 128-colour pictures close to
// ImageMagick's full-colour decoding, grey ones a 256-level grey ramp.
TEST(JpegSuite, SamplesReadAsPalettePictures) {
  struct Case {
    const char* file;
    enum { kColour, kGrey, kTrueColour, kRefused } kind;
  };
  const Case cases[] = {
      {"go/video-001.jpeg", Case::kColour},
      {"go/video-001.progressive.jpeg", Case::kColour},
      {"go/video-001.restart2.jpeg", Case::kColour},
      {"go/video-001.q50.410.jpeg", Case::kColour},
      {"go/video-001.q50.422.progressive.jpeg", Case::kColour},
      {"go/video-001.221212.jpeg", Case::kColour},
      {"go/video-001.rgb.jpeg", Case::kColour},
      {"go/video-001.progressive.truncated.jpeg", Case::kColour},
      {"go/video-005.gray.jpeg", Case::kGrey},
      {"go/video-005.gray.q50.2x2.progressive.jpeg", Case::kGrey},
      {"go/video-001.cmyk.jpeg", Case::kTrueColour},
      {"wuffs/peacock.default.jpeg", Case::kColour},
      {"wuffs/peacock.progressive.jpeg", Case::kColour},
      {"wuffs/peacock.s-very-weird.jpeg", Case::kColour},
      {"wuffs/peacock.grayscale.jpeg", Case::kGrey},
      {"wuffs/hippopotamus-bad-comment-length.jpeg", Case::kColour},
      {"libjpeg-turbo/testorig.jpg", Case::kColour},
      {"libjpeg-turbo/testimgari.jpg", Case::kColour},
      {"libjpeg-turbo/monkey12.jpg", Case::kRefused},
      {"jpeg-decoder/mozilla/jpg-size-1x1.jpg", Case::kColour},
      {"jpeg-decoder/mozilla/jpg-size-33x33.jpg", Case::kColour},
      {"jpeg-decoder/mozilla/jpg-gray.jpg", Case::kGrey},
      {"jpeg-decoder/mozilla/jpg-cmyk-2.jpg", Case::kTrueColour},
      {"jpeg-decoder/mozilla/jpg-size-6x6.jpg", Case::kRefused},  // a PNG file
      {"jpeg-decoder/restarts.jpg", Case::kColour},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = TestData(std::string("jpeg/") + c.file);
    CJpegImageImpl jpg(path);
    const BOOL read = jpg.Read("");
    if (c.kind == Case::kRefused) {
      EXPECT_FALSE(read);
      continue;
    }
    ASSERT_TRUE(read);
    int w = 0, h = 0;
    const std::vector<BYTE> want = ReferenceRgb(path, &w, &h);
    EXPECT_EQ(jpg.m_nWidth, w);
    EXPECT_EQ(jpg.m_nHeight, h);
    if (c.kind == Case::kTrueColour) {
      EXPECT_EQ(jpg.m_nBitsPerPixel, 24);
      EXPECT_EQ(jpg.imagePalette, nullptr);
      EXPECT_LT(MeanDifference(PictureRgb(jpg), want), 6);
      continue;
    }
    EXPECT_EQ(jpg.m_nBitsPerPixel, 8);
    EXPECT_EQ(jpg.m_nColorType, 3);
    ASSERT_NE(jpg.imagePalette, nullptr);
    if (c.kind == Case::kGrey) {
      ASSERT_EQ(jpg.imagePalette->GetEntryCount(), 256);
      for (int i = 0; i < 256; ++i) {
        BYTE r, g, b;
        ASSERT_TRUE(GetPaletteEntryRGB(jpg.imagePalette, i, r, g, b));
        ASSERT_TRUE(r == i && g == i && b == i) << i;
      }
      EXPECT_LT(MeanDifference(PictureRgb(jpg), want), 1.5);
    } else {
      EXPECT_LE(jpg.imagePalette->GetEntryCount(), 128);
      EXPECT_GT(jpg.imagePalette->GetEntryCount(), 0);
      // Dithered to 128 colours, the picture stays close to the original.
      EXPECT_LT(MeanDifference(PictureRgb(jpg), want), 12);
    }
  }
}

TEST(JpegRead, DamagedFilesAreRefusedOrKeepTheirRows) {
  TempFolder dir;
  const std::vector<BYTE> good = ReadBytes(TestData("jpeg/libjpeg-turbo/testorig.jpg"));
  struct Case {
    const char* name;
    std::vector<BYTE> bytes;
    int result;  // -1: either, as long as the decoded part stays
  };
  std::vector<BYTE> headerOnly(good.begin(), good.begin() + 300);
  std::vector<BYTE> half(good.begin(), good.begin() + good.size() / 2);
  std::vector<BYTE> noise = good;
  for (std::size_t i = 700; i < noise.size(); i += 97) noise[i] ^= 0x5A;
  std::vector<BYTE> huge = good;
  // The frame header's height and width (SOF0 at its first occurrence).
  for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
      break;
    }
  }
  const Case cases[] = {
      {"empty", {}, 0},
      {"not a JPEG", {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}, 0},
      {"only the start marker", {0xFF, 0xD8}, 0},
      {"cut in the headers", headerOnly, 0},
      {"cut in the data", half, 1},
      {"damaged data", noise, -1},
      {"65535 by 65535", huge, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "d.jpg", c.bytes);
    CJpegImageImpl jpg(dir / "d.jpg");
    const BOOL read = jpg.Read("");
    if (c.result >= 0) {
      EXPECT_EQ(read, c.result);
    }
    if (c.result != 0) {
      EXPECT_EQ(jpg.m_nWidth, 227);
      PictureRgb(jpg);
    }
  }
  CJpegImageImpl missing(dir / "missing.jpg");
  EXPECT_FALSE(missing.Read(""));
}

// A file whose header asks for more than the library holds is refused as
// soon as the header is read: nothing of the picture is decoded or allocated.
TEST(JpegRead, PicturesOverTheLimitsAreRefusedFromTheirHeader) {
  if (!test_support::AllocationWatch::Available()) GTEST_SKIP() << "allocations not visible";
  TempFolder dir;
  std::vector<BYTE> small;
  ASSERT_TRUE(jpegfmt::Encode(
      16, 16, 75, [](int y, BYTE* rgb) { std::memset(rgb, y * 9, 48); }, small));
  auto withSize = [&](int width, int height) {
    std::vector<BYTE> bytes = small;
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
      if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
        bytes[i + 5] = static_cast<BYTE>(height >> 8);
        bytes[i + 6] = static_cast<BYTE>(height);
        bytes[i + 7] = static_cast<BYTE>(width >> 8);
        bytes[i + 8] = static_cast<BYTE>(width);
        break;
      }
    }
    return bytes;
  };
  struct Case {
    const char* name;
    int width, height;
    bool read;
  } cases[] = {
      {"60000 by 1000", 60000, 1000, false},
      {"wider than a picture may be", 16385, 8, false},
      {"taller than a picture may be", 8, 16385, false},
      {"more pixels than a picture may have", 9000, 9000, false},
      {"a size it holds", 64, 48, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "d.jpg", withSize(c.width, c.height));
    CJpegImageImpl jpg(dir / "d.jpg");
    test_support::AllocationWatch watch;
    EXPECT_EQ(jpg.Read(""), c.read ? 1 : 0);
    EXPECT_LT(watch.largest(), std::size_t{1} << 20);
  }
}

// What a file's own headers say: the coding process, components, quality
// (from the luminance table's first entry, 16 × 50 / quality for quality
// below 50).
struct JpegFacts {
  bool ok = false;
  bool baseline = false;
  int components = 0;
  int width = 0, height = 0;
  int firstQuant = 0;
};
JpegFacts Inspect(const std::string& path) {
  JpegFacts f;
  const std::vector<BYTE> d = ReadBytes(path);
  for (std::size_t i = 2; i + 9 < d.size();) {
    if (d[i] != 0xFF) break;
    const int marker = d[i + 1];
    const int len = (d[i + 2] << 8) | d[i + 3];
    if (marker == 0xDB && f.firstQuant == 0) f.firstQuant = d[i + 5];
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      f.baseline = marker == 0xC0;
      f.height = (d[i + 5] << 8) | d[i + 6];
      f.width = (d[i + 7] << 8) | d[i + 8];
      f.components = d[i + 9];
      f.ok = true;
    }
    if (marker == 0xDA) break;
    i += 2 + len;
  }
  return f;
}

TEST(JpegWrite, BaselineQuality30ThreeComponents) {
  TempFolder dir;
  struct Case {
    const char* name;
    int bits;
    bool palette;
  };
  for (const Case c : {Case{"8-bit palette", 8, true}, Case{"8-bit colour table", 8, false},
                       Case{"4-bit palette", 4, true}, Case{"24-bit", 24, false}}) {
    SCOPED_TRACE(c.name);
    CJpegImageImpl pic;
    ASSERT_GT(pic.Create(64, 48, c.bits, -1), 0);
    if (c.palette) {
      BYTE red[256], green[256], blue[256];
      for (int i = 0; i < 256; ++i)
        red[i] = static_cast<BYTE>(i * 16), green[i] = static_cast<BYTE>(i),
        blue[i] = static_cast<BYTE>(200);
      pic.SetPalette(1 << c.bits, red, green, blue);
    }
    // Broad areas of one colour each, which survive quality 30.
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        if (c.bits <= 8) {
          pic.SetPixelIndex(x, y, static_cast<BYTE>(x < 32 ? 9 : 12));
        } else {
          pic.SetPixelRGB(x, y, x < 32 ? 250 : 10, 128, y < 24 ? 0 : 255);
        }
      }
    const std::vector<BYTE> want = PictureRgb(pic);
    ASSERT_TRUE(pic.Write(dir / "w.jpg"));
    const JpegFacts f = Inspect(dir / "w.jpg");
    EXPECT_TRUE(f.ok);
    EXPECT_TRUE(f.baseline);
    EXPECT_EQ(f.components, 3);
    EXPECT_EQ(f.width, 64);
    EXPECT_EQ(f.height, 48);
    EXPECT_EQ(f.firstQuant, (16 * 5000 / 30 + 50) / 100);  // quality 30
    EXPECT_LT(MeanDifference(ReferenceRgb(dir / "w.jpg"), want), 6);
  }
}

TEST(JpegWrite, FailuresLeaveNoFile) {
  TempFolder dir;
  CJpegImageImpl empty;
  EXPECT_FALSE(empty.Write(dir / "e.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dir / "e.jpg"));
  CJpegImageImpl pic;
  pic.Create(300, 300, 24, -1);
  EXPECT_FALSE(pic.Write(dir / "no/folder/x.jpg"));
  // An error inside the library (a width beyond the format's) ends the write
  // with 0 and no file; the process goes on.
  pic.m_nWidth = 70000;
  EXPECT_FALSE(pic.Write(dir / "big.jpg"));
  pic.m_nWidth = 300;
  EXPECT_FALSE(std::filesystem::exists(dir / "big.jpg"));
  // A full disk: the old file stays as it was.
  WriteBytes(dir / "old.jpg", {'o', 'l', 'd'});
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit r{200, 200};
    setrlimit(RLIMIT_FSIZE, &r);
    _exit(pic.Write(dir / "old.jpg") ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadBytes(dir / "old.jpg"), (std::vector<BYTE>{'o', 'l', 'd'}));
  EXPECT_EQ(dir.Files().size(), 1u);
  ASSERT_TRUE(pic.Write(dir / "old.jpg"));
  CJpegImageImpl back(dir / "old.jpg");
  EXPECT_TRUE(back.Read(""));
}

}  // namespace
