// The BMP file layouts the library accepts, and their conversion to the one
// plain form it holds every picture in: a 40-byte header, a colour table of
// four-byte entries, uncompressed bottom-up rows of depth 1, 4, 8 or 24.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/wintypes.h"

namespace bmpfmt {

// Largest picture a file may ask for: width and height each, and the bytes
// of the converted pixel rows. Files asking for more are refused.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::uint64_t kMaxImageBytes = 256ull << 20;

// What the headers of a file say, checked: everything that the conversion of
// the pixel bits needs.
struct Layout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive; topDown tells the row order
  bool topDown = false;
  bool coreHeader = false;  // the 12-byte header with three-byte colour entries
  int bitCount = 0;         // of the file: 1, 2, 4, 8, 16, 24 or 32
  enum Coding { kRgb, kRle8, kRle4, kBitFields } coding = kRgb;
  DWORD masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha for bit fields
  LONG xPelsPerMeter = 0;
  LONG yPelsPerMeter = 0;
  std::uint64_t bitsOffset = 0;  // where the pixel bits start, from the file's start
  // The colour table of the plain form, colour form (blue, green, red, 0):
  // 2^depth entries for depths up to 8, like every DIB of the library; the
  // first usedEntries come from the file, the rest are black. In the header,
  // biClrUsed counts them all and biClrImportant the used ones.
  std::vector<BYTE> colorTable;  // entries × 4 bytes
  int usedEntries = 0;
  int outBitCount = 0;  // depth of the plain form: 1, 4, 8 or 24
  std::uint64_t outRowBytes = 0;
  std::uint64_t outImageBytes = 0;

  int ColorEntries() const { return static_cast<int>(colorTable.size() / 4); }
  // Bytes of the plain DIB: header, colour table and rows.
  std::uint64_t DibBytes() const { return 40 + colorTable.size() + outImageBytes; }
};

// Reads the file header (when the data starts with "BM"), the information
// header, bit-field masks and the colour table of data, which starts at the
// file's (or the bare DIB's) first byte; data may be a prefix of a file of
// fileSize bytes (0: size). False for data that is not a BMP the library can
// hold, or is too short for its headers.
bool ParseHeaders(const BYTE* data, std::size_t size, Layout& layout, std::uint64_t fileSize = 0);

// Writes the 40-byte header and the colour table of the plain form (40 +
// colorTable.size() bytes).
void BuildHeader(const Layout& layout, BYTE* out);

// Writes the plain DIB of a parsed file into out (layout.DibBytes() bytes):
// the header, the colour table and the rows, converted from the file's
// coding. Pixel bytes missing at the end of the file read as zero, and so do
// pixels that run-length data skips or leaves out.
void BuildPlainDib(const BYTE* data, std::size_t size, const Layout& layout, BYTE* out);

// The whole conversion at once, for callers that hold the file in memory.
bool DecodeToPlainDib(const BYTE* data, std::size_t size, std::vector<BYTE>& dib);

}  // namespace bmpfmt
