// PNG reading and writing: PngSuite against an independent decode, corrupt and
// truncated files, the limits, and files written and read back.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "image/png_image_impl.h"
#include "tests/image/image_test_support.h"

using image_test::Suite;
using image_test::TempFolder;

namespace {

constexpr double kBackground[3] = {31, 127, 255};

// The picture as libpng itself expands it: every file to 16-bit RGBA, rows
// top first, then composited onto the book's background here.
struct Reference {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // composited, 8 bits
  std::vector<bool> partial;      // alpha strictly between 0 and full
};

[[noreturn]] void RefError(png_structp png, png_const_charp) {
  std::longjmp(*static_cast<std::jmp_buf*>(png_get_error_ptr(png)), 1);
}
void RefWarning(png_structp, png_const_charp) {}

bool DecodeReference(const std::string& path, Reference* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::jmp_buf jump;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &jump, RefError, RefWarning);
  png_infop info = png_create_info_struct(png);
  static std::vector<std::uint8_t> pixels;  // outside the frame a longjmp leaves
  pixels.clear();
  if (setjmp(jump)) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_expand_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int w = static_cast<int>(png_get_image_width(png, info));
  const int h = static_cast<int>(png_get_image_height(png, info));
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  if (rowBytes != static_cast<std::size_t>(w) * 8) png_error(png, "layout");
  pixels.assign(rowBytes * h, 0);
  std::vector<png_bytep> rows(h);
  for (int y = 0; y < h; ++y) rows[y] = pixels.data() + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  out->width = w;
  out->height = h;
  out->rgb.resize(static_cast<std::size_t>(w) * h * 3);
  out->partial.resize(static_cast<std::size_t>(w) * h);
  for (int i = 0; i < w * h; ++i) {
    const std::uint8_t* p = pixels.data() + 8 * i;
    auto sample = [&](int k) { return (p[2 * k] << 8) | p[2 * k + 1]; };
    const double a = sample(3) / 65535.0;
    out->partial[i] = sample(3) != 0 && sample(3) != 65535;
    for (int k = 0; k < 3; ++k) {
      const double fg = sample(k) / 257.0;
      out->rgb[3 * i + k] =
          static_cast<std::uint8_t>(std::lround(fg * a + kBackground[k] * (1 - a)));
    }
  }
  return true;
}

std::vector<std::string> SuiteFiles(bool corrupt) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(Suite(""))) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".png") continue;
    if ((name[0] == 'x') == corrupt) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PngSuiteValid : public testing::TestWithParam<std::string> {};

TEST_P(PngSuiteValid, ReadsWithTheRightPixels) {
  const std::string path = Suite(GetParam());
  Reference ref;
  ASSERT_TRUE(DecodeReference(path, &ref));
  CPicture p(path, IMAGE_PNG);
  ASSERT_TRUE(p.IsValid());
  ASSERT_TRUE(p.Load(path, IMAGE_PNG));
  ASSERT_EQ(p.GetWidth(), ref.width);
  ASSERT_EQ(p.GetHeight(), ref.height);
  const int depth = p.GetBitsPerPixel();
  EXPECT_TRUE(depth == 1 || depth == 4 || depth == 8 || depth == 24) << depth;
  // Index pictures always carry their palette, so they draw in their colours.
  if (depth <= 8) {
    ASSERT_NE(p.GetPalette(), nullptr);
    EXPECT_EQ(p.GetColorType(), 3);
  } else {
    EXPECT_EQ(p.GetColorType(), 2);
  }
  int mismatches = 0;
  for (int y = 0; y < ref.height && mismatches < 5; ++y) {
    for (int x = 0; x < ref.width && mismatches < 5; ++x) {
      BYTE rgb[3];
      // The picture's top row is the DIB's last.
      ASSERT_TRUE(p.GetPixelRGB(x, ref.height - 1 - y, rgb[0], rgb[1], rgb[2])) << x << "," << y;
      const std::size_t i = static_cast<std::size_t>(y) * ref.width + x;
      // Compositing partly transparent pixels may round either way.
      const int tolerance = ref.partial[i] ? 1 : 0;
      for (int k = 0; k < 3; ++k) {
        if (std::abs(rgb[k] - ref.rgb[3 * i + k]) > tolerance) {
          ADD_FAILURE() << GetParam() << " pixel " << x << "," << y << " channel " << k << ": "
                        << int(rgb[k]) << " want " << int(ref.rgb[3 * i + k]);
          ++mismatches;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteValid, testing::ValuesIn(SuiteFiles(false)),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.size() - 4);
                         });

class PngSuiteCorrupt : public testing::TestWithParam<std::string> {};

TEST_P(PngSuiteCorrupt, ReadGivesZero) {
  CPngImageImpl impl(Suite(GetParam()));
  EXPECT_FALSE(impl.Read(""));
  EXPECT_FALSE(ImageLastError().empty());
}

INSTANTIATE_TEST_SUITE_P(PngSuite, PngSuiteCorrupt, testing::ValuesIn(SuiteFiles(true)),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.size() - 4);
                         });

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PngRead, TruncatedFilesGiveZeroAtEveryLength) {
  TempFolder dir;
  const std::string cut = dir.File("cut.png");
  for (const char* name : {"basn3p08.png", "basi6a16.png", "basn0g01.png", "s09i3p02.png"}) {
    const std::string whole = Bytes(Suite(name));
    ASSERT_GT(whole.size(), 100u);
    for (std::size_t n = 0; n < whole.size(); n += (n < 64 ? 1 : 7)) {
      Put(cut, whole.substr(0, n));
      CPngImageImpl impl(cut);
      EXPECT_FALSE(impl.Read("")) << name << " cut at " << n;
    }
  }
}

TEST(PngRead, AMissingFileChangesNothing) {
  CPngImageImpl impl(Suite("basn3p08.png"));
  ASSERT_TRUE(impl.Read(""));
  BYTE* dib = impl.m_pDIB;
  EXPECT_FALSE(impl.Read("/nonexistent/x.png"));
  EXPECT_EQ(impl.m_strPath, "/nonexistent/x.png");
  EXPECT_EQ(impl.m_pDIB, dib);
  EXPECT_EQ(impl.m_nWidth, 32);
}

// A PNG header of the given size, with a valid CRC, and no image data.
std::string HeaderOnly(png_uint_32 width, png_uint_32 height, int bitDepth, int colorType) {
  std::string s("\x89PNG\r\n\x1a\n", 8);
  auto be32 = [](std::string& o, png_uint_32 v) {
    for (int k = 3; k >= 0; --k) o.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
  };
  std::string chunk = "IHDR";
  be32(chunk, width);
  be32(chunk, height);
  chunk.push_back(static_cast<char>(bitDepth));
  chunk.push_back(static_cast<char>(colorType));
  chunk.append(3, '\0');
  be32(s, 13);
  s += chunk;
  be32(s, static_cast<png_uint_32>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()),
                                         static_cast<uInt>(chunk.size()))));
  return s;
}

TEST(PngRead, PicturesOverTheLimitsAreRefusedBeforeAllocating) {
  TempFolder dir;
  struct Case {
    png_uint_32 w, h;
    int depth, type;
  } cases[] = {{16385, 1, 8, 0},
               {1, 16385, 8, 3},
               {12000, 12000, 8, 2},
               {0x7FFFFFFF, 1, 8, 6},
               {16384, 16384, 16, 6}};
  for (const Case& c : cases) {
    const std::string path = dir.File("big.png");
    Put(path, HeaderOnly(c.w, c.h, c.depth, c.type));
    CPngImageImpl impl(path);
    EXPECT_FALSE(impl.Read("")) << c.w << "x" << c.h;
    EXPECT_EQ(impl.m_pDIB, nullptr);
  }
}

TEST(PngRead, AChunkClaimingGigabytesIsNotAllocated) {
  TempFolder dir;
  const std::string path = dir.File("claims.png");
  // A text chunk that claims about 2 GB, then the end of the file.
  std::string bytes = HeaderOnly(32, 32, 8, 0);
  bytes += std::string("\x7a\x00\x00\x00iTXtTitle", 13);
  bytes += std::string(64, 'x');
  Put(path, bytes);
  CPngImageImpl impl(path);
  EXPECT_FALSE(impl.Read(""));
  EXPECT_EQ(impl.m_pDIB, nullptr);
}

TEST(PngRead, EightBitPalettePicture) {
  TempFolder dir;
  const std::string path = dir.File("page.png");
  CPicture made;
  ASSERT_EQ(made.Create(100, 50, 8, -1), 100);
  BYTE triples[3 * 40];
  for (int i = 0; i < 40; ++i) {
    triples[3 * i] = static_cast<BYTE>(i * 6);
    triples[3 * i + 1] = static_cast<BYTE>(255 - i);
    triples[3 * i + 2] = static_cast<BYTE>(i);
  }
  made.SetPalette(40, triples);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 100; ++x) made.SetPixelIndex(x, y, (x + 3 * y) % 40);
  }
  CPngImageImpl writer(path);
  writer.Create(100, 50, 8, -1);
  std::memcpy(writer.m_pBits, made.GetBits(), 100 * 50);
  writer.SetPalette(40, triples);
  ASSERT_TRUE(writer.Write(""));

  CPicture p(path, IMAGE_PNG);
  ASSERT_TRUE(p.IsValid());
  EXPECT_EQ(p.GetBitsPerPixel(), 8);
  EXPECT_EQ(p.GetRowBytes(), 100);
  EXPECT_EQ(p.GetColorType(), 3);
  ASSERT_NE(p.GetPalette(), nullptr);
  EXPECT_EQ(p.GetPalette()->GetEntryCount(), 40);
  EXPECT_EQ(std::memcmp(p.GetBits(), made.GetBits(), 100 * 50), 0);
  // The top row of the picture is the last row in memory: decode the file's
  // first row independently and compare.
  Reference ref;
  ASSERT_TRUE(DecodeReference(path, &ref));
  for (int x = 0; x < 100; ++x) {
    const int index = p.GetPixelIndex(x, 49);
    ASSERT_EQ(ref.rgb[3 * x], triples[3 * index]);
  }
}

TEST(PngRead, TransparencyShowsTheBackground) {
  // basn6a08: true colour with alpha; the top-left corner is fully clear.
  CPicture p(Suite("basn6a08.png"), IMAGE_PNG);
  ASSERT_EQ(p.GetBitsPerPixel(), 24);
  BYTE r, g, b;
  ASSERT_TRUE(p.GetPixelRGB(0, 31, r, g, b));
  EXPECT_EQ(RGB(r, g, b), RGB(31, 127, 255));
  // The same for 16-bit samples and for grey with alpha.
  for (const char* name : {"basn6a16.png", "basn4a16.png", "basn4a08.png", "tbbn2c16.png"}) {
    CPicture q(Suite(name), IMAGE_PNG);
    bool found = false;
    for (int y = 0; y < q.GetHeight() && !found; ++y) {
      for (int x = 0; x < q.GetWidth() && !found; ++x) {
        q.GetPixelRGB(x, y, r, g, b);
        found = RGB(r, g, b) == RGB(31, 127, 255);
      }
    }
    EXPECT_TRUE(found) << name;
  }
}

TEST(PngRead, InterlacedEqualsPlain) {
  for (const char* kind : {"0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01", "3p02",
                           "3p04", "3p08", "4a08", "4a16", "6a08", "6a16"}) {
    CPicture plain(Suite(std::string("basn") + kind + ".png"), IMAGE_PNG);
    CPicture interlaced(Suite(std::string("basi") + kind + ".png"), IMAGE_PNG);
    ASSERT_TRUE(plain.IsValid() && interlaced.IsValid()) << kind;
    ASSERT_EQ(plain.GetBitsPerPixel(), interlaced.GetBitsPerPixel());
    EXPECT_EQ(std::memcmp(plain.GetBits(), interlaced.GetBits(),
                          static_cast<std::size_t>(plain.GetRowBytes()) * plain.GetHeight()),
              0)
        << kind;
  }
}

TEST(PngRead, DepthsOfTheDib) {
  struct Case {
    const char* name;
    int depth;
    int paletteEntries;
  } cases[] = {{"basn3p04.png", 4, 15},  {"basn3p02.png", 8, 4},  {"basn0g02.png", 8, 4},
               {"basn0g16.png", 8, 256}, {"basn2c16.png", 24, 0}, {"basn0g01.png", 1, 2}};
  for (const Case& c : cases) {
    CPicture p(Suite(c.name), IMAGE_PNG);
    EXPECT_EQ(p.GetBitsPerPixel(), c.depth) << c.name;
    EXPECT_EQ(p.GetPalette() ? p.GetPalette()->GetEntryCount() : 0, c.paletteEntries) << c.name;
  }
  // Two 4-bit pixels a byte, the leftmost in the high half.
  CPicture four(Suite("basn3p04.png"), IMAGE_PNG);
  const BYTE top = four.GetBits()[31 * four.GetRowBytes()];
  EXPECT_EQ(four.GetPixelIndex(0, 31), top >> 4);
  EXPECT_EQ(four.GetPixelIndex(1, 31), top & 15);
}

// Reads every PngSuite file, writes it and reads the written file back: the
// pixels are the same, the picture the same kind.
TEST(PngWrite, EveryFileWrittenReadsBackTheSame) {
  TempFolder dir;
  const std::string out = dir.File("again.png");
  for (const std::string& name : SuiteFiles(false)) {
    CPngImageImpl first(Suite(name));
    ASSERT_TRUE(first.Read("")) << name;
    CPngImageImpl writer(out);
    ASSERT_TRUE(writer.Create(first.m_nWidth, first.m_nHeight, first.m_nBitsPerPixel, -1));
    std::memcpy(writer.m_pBits, first.m_pBits,
                static_cast<std::size_t>(first.m_nRowBytes) * first.m_nHeight);
    if (first.imagePalette) {
      const int n = first.imagePalette->GetEntryCount();
      std::vector<BYTE> triples(3 * n);
      for (int i = 0; i < n; ++i) {
        GetPaletteEntryRGB(first.imagePalette, i, triples[3 * i], triples[3 * i + 1],
                           triples[3 * i + 2]);
      }
      writer.SetPalette(n, triples.data());
    }
    ASSERT_TRUE(writer.Write("")) << name << ": " << ImageLastError();
    CPngImageImpl back(out);
    ASSERT_TRUE(back.Read("")) << name;
    ASSERT_EQ(back.m_nBitsPerPixel, first.m_nBitsPerPixel) << name;
    ASSERT_EQ(back.m_nColorType, first.m_nColorType) << name;
    for (int y = 0; y < first.m_nHeight; ++y) {
      for (int x = 0; x < first.m_nWidth; ++x) {
        BYTE a[3], b[3];
        ASSERT_TRUE(first.GetPixelRGB(x, y, a[0], a[1], a[2]));
        ASSERT_TRUE(back.GetPixelRGB(x, y, b[0], b[1], b[2]));
        ASSERT_EQ(std::memcmp(a, b, 3), 0) << name << " " << x << "," << y;
      }
    }
  }
}

TEST(PngWrite, PaletteBeyondItsEndAndPicturesWithoutPalette) {
  TempFolder dir;
  const std::string out = dir.File("w.png");
  // Pixels use index 9 of a 3-entry palette: the file gets entries up to 9,
  // the missing ones black.
  {
    CPngImageImpl w(out);
    w.Create(4, 1, 4, -1);
    const BYTE triples[] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    w.SetPalette(3, triples);
    w.SetPixelIndex(0, 0, 2);
    w.SetPixelIndex(1, 0, 9);
    ASSERT_TRUE(w.Write(""));
    CPngImageImpl r(out);
    ASSERT_TRUE(r.Read(""));
    EXPECT_EQ(r.imagePalette->GetEntryCount(), 10);
    BYTE c[3];
    r.GetPixelRGB(0, 0, c[0], c[1], c[2]);
    EXPECT_EQ(RGB(c[0], c[1], c[2]), RGB(0, 0, 255));
    r.GetPixelRGB(1, 0, c[0], c[1], c[2]);
    EXPECT_EQ(RGB(c[0], c[1], c[2]), RGB(0, 0, 0));
  }
  // An 8-bit picture without a palette keeps the colours of its table.
  {
    CPngImageImpl w(out);
    w.Create(2, 1, 8, -1);
    w.SetPixelIndex(0, 0, 9);   // standard red
    w.SetPixelIndex(1, 0, 14);  // standard cyan
    ASSERT_TRUE(w.Write(""));
    CPngImageImpl r(out);
    ASSERT_TRUE(r.Read(""));
    BYTE c[3];
    r.GetPixelRGB(0, 0, c[0], c[1], c[2]);
    EXPECT_EQ(RGB(c[0], c[1], c[2]), RGB(255, 0, 0));
    r.GetPixelRGB(1, 0, c[0], c[1], c[2]);
    EXPECT_EQ(RGB(c[0], c[1], c[2]), RGB(0, 255, 255));
  }
  // 16- and 32-bit pictures are written as true colour.
  for (int depth : {16, 32}) {
    CPngImageImpl w(out);
    w.Create(3, 2, depth, -1);
    w.SetPixelRGB(2, 1, 248, 0, 8);
    ASSERT_TRUE(w.Write("")) << depth << ": " << ImageLastError();
    CPngImageImpl r(out);
    ASSERT_TRUE(r.Read(""));
    BYTE c[3];
    r.GetPixelRGB(2, 1, c[0], c[1], c[2]);
    EXPECT_EQ(c[0], depth == 32 ? 248 : 255) << depth;
    EXPECT_EQ(c[1], 0);
  }
}

TEST(PngWrite, FailuresLeaveNoFileAndKeepAnEarlierOne) {
  TempFolder dir;
  CPngImageImpl empty(dir.File("none.png"));
  EXPECT_FALSE(empty.Write(""));
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.png")));

  CPngImageImpl w(dir.File("missing-folder/x.png"));
  w.Create(2, 2, 24, -1);
  EXPECT_FALSE(w.Write(""));

  const std::string keep = dir.File("keep.png");
  Put(keep, "earlier");
  CPngImageImpl bad(keep);
  ASSERT_TRUE(bad.Create(2, 2, 24, -1));
  bad.m_nBitsPerPixel = 2;  // a depth the writer refuses
  EXPECT_FALSE(bad.Write(""));
  EXPECT_EQ(Bytes(keep), "earlier");
  EXPECT_FALSE(std::filesystem::exists(keep + ".part"));
}

}  // namespace
