// The LZW reader and writer on hand-made streams and on each other.
#include "image/gif_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "format_test_support.h"

namespace {

using formats_test::BitPacker;
using formats_test::GifBuilder;

// Decodes an image stream (the bytes after the image descriptor) into a
// width × height picture of bottom-up rows; unset pixels stay 0xEE.
struct Decoded {
  int result = 0;
  int badCodes = 0;
  int rows = 0;
  std::vector<BYTE> pixels;  // top row first
};
Decoded DecodeStream(const std::vector<BYTE>& stream, int width, int height,
                     bool interlaced = false) {
  std::size_t pos = 0;
  giffmt::GifReader reader([&](BYTE* out, std::size_t n) {
    n = std::min(n, stream.size() - pos);
    if (n) std::memcpy(out, stream.data() + pos, n);
    pos += n;
    return n;
  });
  std::vector<BYTE> dib(static_cast<std::size_t>(width) * height, 0xEE);
  reader.SetTarget(dib.data() + static_cast<std::size_t>(height - 1) * width, width, width, height,
                   interlaced);
  Decoded d;
  d.result = reader.LzwDecode(width, d.badCodes);
  d.rows = reader.RowsDone();
  for (int y = 0; y < height; ++y) {
    const BYTE* row = dib.data() + static_cast<std::size_t>(height - 1 - y) * width;
    d.pixels.insert(d.pixels.end(), row, row + width);
  }
  return d;
}

std::vector<BYTE> Stream(int minCodeSize, const std::vector<std::pair<int, int>>& codes) {
  BitPacker bits;
  for (auto [code, width] : codes) bits.Put(code, width);
  std::vector<BYTE> s{static_cast<BYTE>(minCodeSize)};
  GifBuilder::AppendSubBlocks(s, bits.Bytes(), 255);
  return s;
}

TEST(GifDecode, InterlacedRowsArriveInPassOrder) {
  struct Case {
    int height;
    std::vector<int> order;  // picture rows, from the top, in arrival order
  };
  const Case cases[] = {
      {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
      {4, {0, 2, 1, 3}},
      {1, {0}},
      {2, {0, 1}},
      {3, {0, 2, 1}},
      {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    std::vector<BYTE> dib(c.height * 4, 0xEE);
    giffmt::GifReader reader([](BYTE*, std::size_t) { return std::size_t{0}; });
    reader.SetTarget(dib.data() + (c.height - 1) * 4, 4, 4, c.height, true);
    for (int line = 0; line < c.height; ++line) {
      BYTE px[4];
      std::memset(px, line, 4);
      ASSERT_EQ(reader.GifPutLine(px, -1), 0);
    }
    // Every row has been written once; one line more is refused.
    BYTE extra[4] = {};
    EXPECT_EQ(reader.GifPutLine(extra, 4), -1);
    for (int line = 0; line < c.height; ++line) {
      const int row = c.order[line];
      EXPECT_EQ(dib[(c.height - 1 - row) * 4], line) << "row " << row;
    }
  }
}

TEST(GifDecode, HandMadeStreams) {
  // Minimum code size 2: clear 4, end 5, first free 6; widths grow at 8.
  struct Case {
    const char* name;
    int minCodeSize;
    std::vector<std::pair<int, int>> codes;
    int width, height;
    int result;
    std::vector<BYTE> pixels;  // expected, top row first (0xEE: untouched)
    int badCodes;
  };
  const Case cases[] = {
      {"plain", 2, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}, 4, 1, 0, {1, 2, 1, 2}, 0},
      {"no leading clear", 2, {{1, 3}, {2, 3}, {6, 3}, {5, 4}}, 4, 1, 0, {1, 2, 1, 2}, 0},
      {"KwKwK code", 2, {{4, 3}, {3, 3}, {6, 3}, {5, 3}}, 3, 1, 0, {3, 3, 3}, 0},
      // The padding bits of the last byte read as two codes 0.
      {"no end code", 2, {{4, 3}, {1, 3}, {1, 3}}, 4, 1, 0, {1, 1, 0, 0}, 0},
      {"data ends inside a row",
       2,
       {{4, 3}, {1, 3}},
       3,
       2,
       0,
       {1, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE},
       0},
      {"code beyond the next slot", 2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}}, 3, 1, 0, {1, 1, 1}, 1},
      {"first code undefined", 2, {{4, 3}, {7, 3}, {5, 3}}, 1, 1, 0, {0}, 1},
      {"clear codes in a row", 2, {{4, 3}, {4, 3}, {4, 3}, {2, 3}, {5, 3}}, 1, 1, 0, {2}, 0},
      {"end right after clear", 2, {{4, 3}, {5, 3}}, 1, 1, 0, {0xEE}, 0},
      {"more pixels than rows", 2, {{4, 3}, {1, 3}, {1, 3}, {1, 3}, {5, 4}}, 1, 2, -1, {1, 1}, 0},
      {"code size 1", 1, {{2, 2}, {1, 2}, {3, 2}}, 1, 1, -20, {0xEE}, 0},
      {"code size 10", 10, {{1024, 11}, {1, 11}, {1025, 11}}, 1, 1, -20, {0xEE}, 0},
      {"code size 9 roots", 9, {{512, 10}, {300, 10}, {513, 10}}, 1, 1, 0, {300 & 0xFF}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Decoded d = DecodeStream(Stream(c.minCodeSize, c.codes), c.width, c.height);
    EXPECT_EQ(d.result, c.result);
    EXPECT_EQ(d.pixels, c.pixels);
    EXPECT_EQ(d.badCodes, c.badCodes);
  }
}

TEST(GifDecode, FullTableKeepsDecodingWithoutClear) {
  // 4000 distinct two-pixel strings fill the table; then codes keep coming at
  // 12 bits with no clear (a deferred clear), which must still decode.
  BitPacker bits;
  std::vector<BYTE> expect;
  int width = 9, slot = 258, prev = -1;
  bits.Put(256, width);
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; ++i) {
    int c = static_cast<int>(rng() % 256);
    bits.Put(c, width);
    expect.push_back(static_cast<BYTE>(c));
    if (prev >= 0 && slot < 4096) {
      ++slot;
      if (slot == (1 << width) && width < 12) ++width;
    }
    prev = c;
  }
  bits.Put(257, width);
  std::vector<BYTE> s{8};
  GifBuilder::AppendSubBlocks(s, bits.Bytes(), 255);
  Decoded d = DecodeStream(s, 5000, 1);
  EXPECT_EQ(d.result, 0);
  EXPECT_EQ(d.pixels, expect);
}

TEST(GifDecode, RunawayInputsEnd) {
  // A truncated stream, a stream of nothing but clear codes, a lone length byte.
  std::vector<BYTE> onlyClears{2};
  BitPacker bits;
  for (int i = 0; i < 20000; ++i) bits.Put(4, 3);
  GifBuilder::AppendSubBlocks(onlyClears, bits.Bytes(), 255);
  const std::vector<BYTE> inputs[] = {{}, {2}, {2, 200, 1, 2}, onlyClears};
  for (const auto& in : inputs) {
    Decoded d = DecodeStream(in, 3, 3);
    EXPECT_LE(d.result, 0);
    EXPECT_LE(d.rows, 3);
  }
}

struct RoundTripCase {
  const char* name;
  int width, height, bitsPerPixel;
  int pattern;  // 0 random, 1 constant, 2 stripes
};

std::vector<BYTE> MakePixels(const RoundTripCase& c, std::ptrdiff_t rowBytes) {
  std::vector<BYTE> bits(rowBytes * c.height, 0);
  std::mt19937 rng(c.width * 31 + c.height);
  const int max = (1 << c.bitsPerPixel) - 1;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      int v = c.pattern == 0 ? static_cast<int>(rng() % (max + 1))
                             : (c.pattern == 1 ? max : ((x / 3 + y) % (max + 1)));
      formats_test::SetPackedPixel(bits.data() + y * rowBytes, x, c.bitsPerPixel, v);
    }
  }
  return bits;
}

TEST(GifEncode, WrittenStreamsDecodeToTheSamePixels) {
  const RoundTripCase cases[] = {
      {"one pixel", 1, 1, 8, 0},  {"random 8-bit", 300, 200, 8, 0}, {"constant", 640, 480, 8, 1},
      {"stripes", 257, 13, 8, 2}, {"one column", 1, 700, 8, 0},     {"1-bit", 33, 17, 1, 0},
      {"2-bit", 31, 9, 2, 0},     {"4-bit", 101, 50, 4, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::ptrdiff_t rowBytes = (c.width * c.bitsPerPixel + 31) / 32 * 4;
    std::vector<BYTE> bits = MakePixels(c, rowBytes);
    BYTE colors[768];
    for (int i = 0; i < 768; ++i) colors[i] = static_cast<BYTE>(i * 7);
    std::vector<BYTE> file;
    giffmt::GifWriter writer;
    writer.Encode({bits.data(), rowBytes, c.width, c.height, c.bitsPerPixel}, colors, file);

    // Header, screen, table, descriptor, stream, trailer.
    ASSERT_GT(file.size(), 13u + 768 + 10 + 3);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF87a");
    EXPECT_EQ(file[6] | (file[7] << 8), c.width);
    EXPECT_EQ(file[8] | (file[9] << 8), c.height);
    EXPECT_EQ(file[10], 0xF7);
    EXPECT_EQ(file[11], 0);
    EXPECT_EQ(file[12], 0);
    EXPECT_EQ(std::memcmp(file.data() + 13, colors, 768), 0);
    EXPECT_EQ(file[13 + 768], 0x2C);
    EXPECT_EQ(file[file.size() - 2], 0x00);
    EXPECT_EQ(file[file.size() - 1], 0x3B);
    // Sub-blocks hold at most 254 bytes.
    std::size_t pos = 13 + 768 + 10;
    EXPECT_EQ(file[pos++], 8);
    std::vector<BYTE> stream{8};
    bool first = true;
    while (pos < file.size() && file[pos] != 0) {
      const int len = file[pos];
      EXPECT_LE(len, 254);
      if (first && file.size() > 2000) {
        EXPECT_EQ(len, 254);
      }
      first = false;
      stream.push_back(file[pos]);
      stream.insert(stream.end(), file.begin() + pos + 1, file.begin() + pos + 1 + len);
      pos += 1 + len;
    }
    stream.push_back(0);
    EXPECT_EQ(pos, file.size() - 2);

    Decoded d = DecodeStream(stream, c.width, c.height);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.badCodes, 0);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const int want = formats_test::GetPackedPixel(bits.data() + (c.height - 1 - y) * rowBytes,
                                                      x, c.bitsPerPixel);
        ASSERT_EQ(d.pixels[y * c.width + x], want) << x << "," << y;
      }
    }
  }
}

}  // namespace
