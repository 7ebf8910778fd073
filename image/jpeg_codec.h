// The library's use of libjpeg: decoding into 8-bit palette rows (128
// quantised colours, or grey levels) and baseline encoding from RGB rows.
// Every error of the library comes back as a false result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "framework/wintypes.h"

namespace jpegfmt {

// Largest picture a file may ask for: in pixels, on each side, and in bytes
// of the rows it decodes to (each padded to four bytes). Larger files are
// refused as soon as their header is read, before the library decodes or
// allocates anything for them.
constexpr std::int64_t kMaxPixels = 64ll << 20;
constexpr int kMaxSide = 16384;
constexpr std::int64_t kMaxOutputBytes = std::int64_t{256} << 20;
// Working memory the library may use for a whole-image buffer (progressive
// files, two-pass quantisation).
constexpr long kMaxLibraryMemory = 1024l << 20;
// Progressive files with more scans than this are refused: each scan costs a
// pass over the whole picture.
constexpr int kMaxScans = 1000;

struct DecodeHeader {
  int width = 0;
  int height = 0;
  // 1: one byte per pixel, an index into colors (or a grey level when grey);
  // 3: blue, green, red bytes (files in CMYK, which the quantiser cannot take).
  int bytesPerPixel = 1;
  bool grey = false;
  int colorCount = 0;  // entries of colors when not grey
  BYTE colors[3][256] = {};
};

// Where the decoded rows go: the picture's top row first, each next row
// rowStep bytes further (negative for bottom-up memory). Null refuses the
// picture.
struct RowTarget {
  BYTE* firstRow = nullptr;
  std::ptrdiff_t rowStep = 0;
};

// Decodes a JPEG file held in memory. begin is called once the output size
// and colours are known. False on any library error; rows written before it
// stay written.
bool Decode(const BYTE* data, std::size_t size,
            const std::function<RowTarget(const DecodeHeader&)>& begin);

// Encodes width × height pixels as a baseline JPEG of three components at
// quality. row(y, rgb) fills 3 × width bytes of red, green, blue for picture
// row y (0 is the top). False on any library error; out is then empty.
bool Encode(int width, int height, int quality, const std::function<void(int, BYTE*)>& row,
            std::vector<BYTE>& out);

}  // namespace jpegfmt
