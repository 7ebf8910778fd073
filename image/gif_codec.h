// GIF coding done by the library itself: the block reader with its LZW
// decoder, and the GIF87a writer with its hashed LZW encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "framework/wintypes.h"

namespace giffmt {

// Largest image a file may ask for, in pixels (one byte each); files asking
// for more are refused.
constexpr std::int64_t kMaxPixels = 64ll << 20;

// What one image descriptor (with its colour table and the graphic control
// extension before it) says.
struct ImageInfo {
  int width = 0;
  int height = 0;
  bool interlaced = false;
  bool hasTable = false;  // a global or local colour table applies
  int colorCount = 0;     // entries of the table
  BYTE colors[256 * 3] = {};
  int transparent = -1;  // from the graphic control extension, -1 when none
};

class GifReader {
 public:
  // read fills the buffer with up to count bytes of the file and returns how
  // many it gave (0 at the end).
  using Source = std::function<std::size_t(BYTE* buffer, std::size_t count)>;
  explicit GifReader(Source read);
  GifReader(const GifReader&) = delete;
  GifReader& operator=(const GifReader&) = delete;

  // The signature ("GIF8" is enough), the logical screen and the global
  // colour table. False for a file that is not a GIF.
  bool ReadHeader();
  // Reads blocks up to the next image descriptor and its local table.
  // False at the trailer, at the end of the file, or on a malformed block.
  bool NextImage(ImageInfo& info);

  // Where GifPutLine stores the rows: lastRow is the DIB's last row in
  // memory (the picture's top row); rows are rowBytes apart.
  void SetTarget(BYTE* lastRow, std::ptrdiff_t rowBytes, int width, int height, bool interlaced);

  // Decodes the image data after NextImage into the target. 0 on success,
  // -20 for a minimum code size outside 2..9, -10 when the line buffer cannot
  // be had, or the negative result of GifPutLine or GifReadByte. badCodes
  // counts codes above the next free slot.
  int LzwDecode(int lineWidth, int& badCodes);

  // The next byte of the file through the read-ahead buffer; -1 at the end.
  int GifReadByte() {
    if (m_nPos >= m_nFill && !Refill()) return -1;
    return m_buffer[m_nPos++];
  }
  // Stores one decoded line of count pixels (the width when count < 0).
  // -1 when a line arrives after the last row.
  int GifPutLine(const BYTE* pixels, int count);

  // Rows stored so far (for interlaced images, lines).
  int RowsDone() const { return m_nLinesDone; }

 private:
  bool Refill();
  bool ReadBytes(BYTE* out, int count);
  bool SkipSubBlocks();
  int NextCode();

  static constexpr std::size_t kBufferBytes = 16384;
  Source m_read;
  BYTE m_buffer[kBufferBytes];
  std::size_t m_nPos = 0;
  std::size_t m_nFill = 0;
  bool m_bEof = false;

  int m_nGlobalCount = 0;
  bool m_bGlobalTable = false;
  BYTE m_globalColors[256 * 3] = {};
  int m_nTransparent = -1;

  // Line sink
  BYTE* m_pLastRow = nullptr;
  std::ptrdiff_t m_nRowBytes = 0;
  int m_nWidth = 0;
  int m_nHeight = 0;
  bool m_bInterlaced = false;
  int m_nRow = 0;  // picture row counted from the top
  int m_nStep = 8;
  int m_nPass = 0;
  bool m_bRowsDone = false;
  int m_nLinesDone = 0;

  // Code reader
  std::uint32_t m_nBits = 0;
  int m_nBitCount = 0;
  int m_nBlockLeft = 0;
  bool m_bDataEnd = false;
  int m_nCodeWidth = 0;

  std::uint16_t m_prefix[4096];
  std::uint16_t m_suffix[4096];
  std::uint16_t m_stack[4097];
};

// The pixels a GIF is written from: 1, 2, 4 or 8 bits per pixel in
// bottom-up rows, the leftmost pixel in the high bits of its byte.
struct PixelSource {
  const BYTE* bits = nullptr;
  std::ptrdiff_t rowBytes = 0;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 8;
};

class GifWriter {
 public:
  // Writes a single-image GIF87a file of the pixels with the 256-entry
  // colour table (red, green, blue per entry) into out.
  void Encode(const PixelSource& pixels, const BYTE colors[256 * 3], std::vector<BYTE>& out);

  void LzwCompress(int initialWidth);
  void LzwOutput(int code);
  int GifNextPixel();

 private:
  static constexpr int kHashSize = 5003;  // a prime a little above 4096 × 1.2
  void Put(BYTE b) { m_pOut->push_back(b); }
  void Put16(int v) {
    Put(static_cast<BYTE>(v));
    Put(static_cast<BYTE>(v >> 8));
  }
  void BlockByte(BYTE b);
  void FlushBlock();
  void ClearHash();

  std::vector<BYTE>* m_pOut = nullptr;
  PixelSource m_src;
  int m_nCurX = 0;
  int m_nCurY = 0;               // row in memory
  const BYTE* m_pRow = nullptr;  // that row's first byte
  std::int64_t m_nCountDown = 0;
  std::uint32_t m_nAccum = 0;
  int m_nAccumBits = 0;

  std::int32_t m_hash[kHashSize];
  std::uint16_t m_codes[kHashSize];
  BYTE m_block[256];
  int m_nBlockCount = 0;
  int m_nWidth = 0;
  int m_nInitWidth = 0;
  int m_nMaxCode = 0;
  int m_nFreeCode = 0;
  int m_nClearCode = 0;
  int m_nEndCode = 0;
  bool m_bClearPending = false;
};

}  // namespace giffmt
