#include "image/gif_codec.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace giffmt {

GifReader::GifReader(Source read) : m_read(std::move(read)) {}

bool GifReader::Refill() {
  if (m_bEof) return false;
  m_nPos = 0;
  m_nFill = m_read(m_buffer, kBufferBytes);
  if (m_nFill == 0) {
    m_bEof = true;
    return false;
  }
  return true;
}

bool GifReader::ReadBytes(BYTE* out, int count) {
  for (int i = 0; i < count; ++i) {
    int b = GifReadByte();
    if (b < 0) return false;
    out[i] = static_cast<BYTE>(b);
  }
  return true;
}

bool GifReader::SkipSubBlocks() {
  for (;;) {
    int len = GifReadByte();
    if (len < 0) return false;
    if (len == 0) return true;
    for (int i = 0; i < len; ++i) {
      if (GifReadByte() < 0) return false;
    }
  }
}

bool GifReader::ReadHeader() {
  BYTE h[13];
  if (!ReadBytes(h, 13)) return false;
  if (std::memcmp(h, "GIF8", 4) != 0) return false;
  m_nGlobalCount = 1 << ((h[10] & 7) + 1);
  m_bGlobalTable = (h[10] & 0x80) != 0;
  if (m_bGlobalTable && !ReadBytes(m_globalColors, m_nGlobalCount * 3)) return false;
  return true;
}

bool GifReader::NextImage(ImageInfo& info) {
  for (;;) {
    int b = GifReadByte();
    if (b == 0x21) {
      int label = GifReadByte();
      if (label < 0) return false;
      if (label == 0xF9) {
        int len = GifReadByte();
        if (len < 0) return false;
        BYTE gce[255];
        if (!ReadBytes(gce, len)) return false;
        // A graphic control block of the wrong size is ignored.
        if (len >= 4) m_nTransparent = (gce[0] & 1) ? gce[3] : -1;
        if (len == 0) continue;  // that length byte ended the extension
      }
      if (!SkipSubBlocks()) return false;
    } else if (b == 0x2C) {
      BYTE d[9];
      if (!ReadBytes(d, 9)) return false;
      info = ImageInfo{};
      info.width = d[4] | (d[5] << 8);
      info.height = d[6] | (d[7] << 8);
      info.interlaced = (d[8] & 0x40) != 0;
      info.transparent = m_nTransparent;
      if (d[8] & 0x80) {
        info.colorCount = 1 << ((d[8] & 7) + 1);
        info.hasTable = true;
        if (!ReadBytes(info.colors, info.colorCount * 3)) return false;
      } else if (m_bGlobalTable) {
        info.colorCount = m_nGlobalCount;
        info.hasTable = true;
        std::memcpy(info.colors, m_globalColors, sizeof info.colors);
      }
      // The extension applies to this image only.
      m_nTransparent = -1;
      return true;
    } else {
      return false;  // the trailer, the end of the file or an unknown block
    }
  }
}

void GifReader::SetTarget(BYTE* lastRow, std::ptrdiff_t rowBytes, int width, int height,
                          bool interlaced) {
  m_pLastRow = lastRow;
  m_nRowBytes = rowBytes;
  m_nWidth = width;
  m_nHeight = height;
  m_bInterlaced = interlaced;
  m_nRow = 0;
  m_nStep = 8;
  m_nPass = 0;
  m_bRowsDone = height <= 0;
  m_nLinesDone = 0;
}

int GifReader::GifPutLine(const BYTE* pixels, int count) {
  if (count < 0 || count > m_nWidth) count = m_nWidth;
  if (m_bRowsDone) return -1;
  std::memcpy(m_pLastRow - static_cast<std::ptrdiff_t>(m_nRow) * m_nRowBytes, pixels, count);
  ++m_nLinesDone;
  if (!m_bInterlaced) {
    if (++m_nRow >= m_nHeight) m_bRowsDone = true;
    return 0;
  }
  m_nRow += m_nStep;
  // Passes start at rows 0, 4, 2 and 1 with steps 8, 8, 4 and 2; a pass that
  // starts below the picture is skipped.
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  while (m_nRow >= m_nHeight) {
    if (++m_nPass >= 4) {
      m_bRowsDone = true;
      break;
    }
    m_nRow = kStart[m_nPass];
    m_nStep = kStep[m_nPass];
  }
  return 0;
}

int GifReader::NextCode() {
  while (m_nBitCount < m_nCodeWidth) {
    if (m_bDataEnd) return -1;
    if (m_nBlockLeft == 0) {
      int len = GifReadByte();
      if (len <= 0) {  // the block terminator or the file's end: no more data
        m_bDataEnd = true;
        return -1;
      }
      m_nBlockLeft = len;
    }
    int b = GifReadByte();
    if (b < 0) {
      m_bDataEnd = true;
      return -1;
    }
    --m_nBlockLeft;
    m_nBits |= static_cast<std::uint32_t>(b) << m_nBitCount;
    m_nBitCount += 8;
  }
  int code = static_cast<int>(m_nBits & ((1u << m_nCodeWidth) - 1));
  m_nBits >>= m_nCodeWidth;
  m_nBitCount -= m_nCodeWidth;
  return code;
}

int GifReader::LzwDecode(int lineWidth, int& badCodes) {
  badCodes = 0;
  const int size = GifReadByte();
  if (size < 0) return size;
  if (size < 2 || size > 9) return -20;
  const int clear = 1 << size;
  const int end = clear + 1;
  const int firstFree = clear + 2;
  int slot = firstFree;
  m_nCodeWidth = size + 1;
  int topSlot = 1 << m_nCodeWidth;
  m_nBits = 0;
  m_nBitCount = 0;
  m_nBlockLeft = 0;
  m_bDataEnd = false;

  std::vector<BYTE> line;
  try {
    line.resize(static_cast<std::size_t>(lineWidth) + 1);
  } catch (const std::bad_alloc&) {
    return -10;
  }
  int filled = 0;
  int oldCode = -1;  // none yet: the first code after the start or a clear adds no string
  int firstChar = 0;

  for (;;) {
    int c = NextCode();
    if (c < 0 || c == end) break;
    if (c == clear) {
      m_nCodeWidth = size + 1;
      slot = firstFree;
      topSlot = 1 << m_nCodeWidth;
      oldCode = -1;
      continue;
    }
    int sp = 0;
    if (oldCode < 0) {
      if (c >= slot) {
        ++badCodes;
        c = 0;
      }
      m_stack[sp++] = static_cast<std::uint16_t>(c);
      oldCode = firstChar = c;
    } else {
      int code = c;
      if (code >= slot) {
        // Not defined yet: the previous string and its own first character.
        if (code > slot) ++badCodes;
        m_stack[sp++] = static_cast<std::uint16_t>(firstChar);
        code = oldCode;
      }
      while (code >= firstFree && sp < 4096) {
        m_stack[sp++] = m_suffix[code];
        code = m_prefix[code];
      }
      if (code >= firstFree) break;  // a chain that never ends: corrupt data
      m_stack[sp++] = static_cast<std::uint16_t>(code);
      firstChar = code;
      if (slot < topSlot) {
        m_suffix[slot] = static_cast<std::uint16_t>(firstChar);
        m_prefix[slot] = static_cast<std::uint16_t>(oldCode);
        ++slot;
        if (slot >= topSlot && m_nCodeWidth < 12) {
          topSlot <<= 1;
          ++m_nCodeWidth;
        }
      }
      // A code beyond the table stands for the string just added.
      oldCode = c < slot ? c : slot - 1;
    }
    while (sp > 0) {
      line[filled++] = static_cast<BYTE>(m_stack[--sp]);
      if (filled == lineWidth) {
        filled = 0;
        int r = GifPutLine(line.data(), lineWidth);
        if (r < 0) return r;
      }
    }
  }
  if (filled > 0) {
    int r = GifPutLine(line.data(), filled);
    if (r < 0) return r;
  }
  return 0;
}

// --- writer

void GifWriter::Encode(const PixelSource& pixels, const BYTE colors[256 * 3],
                       std::vector<BYTE>& out) {
  m_pOut = &out;
  m_src = pixels;
  m_nCurX = 0;
  m_nCurY = pixels.height - 1;
  m_pRow = pixels.height > 0 ? pixels.bits + static_cast<std::ptrdiff_t>(m_nCurY) * pixels.rowBytes
                             : pixels.bits;
  m_nCountDown = static_cast<std::int64_t>(pixels.width) * pixels.height;
  m_nAccum = 0;
  m_nAccumBits = 0;
  m_nBlockCount = 0;

  static constexpr BYTE kSignature[6] = {'G', 'I', 'F', '8', '7', 'a'};
  out.assign(kSignature, kSignature + 6);
  Put16(pixels.width);
  Put16(pixels.height);
  Put(0xF7);  // global table of 256 entries, 8 bits of colour resolution
  Put(0);     // background
  Put(0);     // aspect
  out.insert(out.end(), colors, colors + 256 * 3);
  Put(0x2C);
  Put16(0);
  Put16(0);
  Put16(pixels.width);
  Put16(pixels.height);
  Put(0);  // no local table, not interlaced
  const int initCodeSize = 8;
  Put(static_cast<BYTE>(initCodeSize));
  LzwCompress(initCodeSize + 1);
  Put(0);
  Put(0x3B);
}

int GifWriter::GifNextPixel() {
  if (m_nCountDown <= 0) return -1;
  --m_nCountDown;
  const int x = m_nCurX;
  int v;
  switch (m_src.bitsPerPixel) {
    case 1:
      v = (m_pRow[x >> 3] >> (7 - (x & 7))) & 1;
      break;
    case 2:
      v = (m_pRow[x >> 2] >> (6 - 2 * (x & 3))) & 3;
      break;
    case 4:
      v = (m_pRow[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
      break;
    default:
      v = m_pRow[x];
      break;
  }
  if (++m_nCurX == m_src.width) {
    m_nCurX = 0;
    --m_nCurY;
    m_pRow -= m_src.rowBytes;
  }
  return v;
}

void GifWriter::ClearHash() { std::fill(std::begin(m_hash), std::end(m_hash), -1); }

void GifWriter::LzwCompress(int initialWidth) {
  m_nInitWidth = initialWidth;
  m_nWidth = initialWidth;
  m_nMaxCode = (1 << m_nWidth) - 1;
  m_nClearCode = 1 << (initialWidth - 1);
  m_nEndCode = m_nClearCode + 1;
  m_nFreeCode = m_nClearCode + 2;
  m_bClearPending = false;

  int ent = GifNextPixel();
  if (ent < 0) ent = 0;  // an empty picture still makes a valid stream
  int shift = 0;
  for (long f = kHashSize; f < 65536; f *= 2) ++shift;
  shift = 8 - shift;
  ClearHash();
  LzwOutput(m_nClearCode);

  int c;
  while ((c = GifNextPixel()) >= 0) {
    const std::int32_t key = (static_cast<std::int32_t>(c) << 12) + ent;
    int i = (c << shift) ^ ent;
    if (m_hash[i] == key) {
      ent = m_codes[i];
      continue;
    }
    bool found = false;
    if (m_hash[i] >= 0) {
      int step = kHashSize - i;
      if (i == 0) step = 1;
      for (;;) {
        i -= step;
        if (i < 0) i += kHashSize;
        if (m_hash[i] == key) {
          found = true;
          break;
        }
        if (m_hash[i] <= 0) break;
      }
    }
    if (found) {
      ent = m_codes[i];
      continue;
    }
    LzwOutput(ent);
    ent = c;
    if (m_nFreeCode < 4096) {
      m_codes[i] = static_cast<std::uint16_t>(m_nFreeCode++);
      m_hash[i] = key;
    } else {
      ClearHash();
      m_nFreeCode = m_nClearCode + 2;
      m_bClearPending = true;
      LzwOutput(m_nClearCode);
    }
  }
  LzwOutput(ent);
  LzwOutput(m_nEndCode);
}

void GifWriter::LzwOutput(int code) {
  m_nAccum &= (m_nAccumBits > 0) ? ((1u << m_nAccumBits) - 1) : 0;
  m_nAccum |= static_cast<std::uint32_t>(code) << m_nAccumBits;
  m_nAccumBits += m_nWidth;
  while (m_nAccumBits >= 8) {
    BlockByte(static_cast<BYTE>(m_nAccum));
    m_nAccum >>= 8;
    m_nAccumBits -= 8;
  }
  if (m_nFreeCode > m_nMaxCode || m_bClearPending) {
    if (m_bClearPending) {
      m_nWidth = m_nInitWidth;
      m_nMaxCode = (1 << m_nWidth) - 1;
      m_bClearPending = false;
    } else {
      ++m_nWidth;
      m_nMaxCode = (m_nWidth == 12) ? 4096 : (1 << m_nWidth) - 1;
    }
  }
  if (code == m_nEndCode) {
    while (m_nAccumBits > 0) {
      BlockByte(static_cast<BYTE>(m_nAccum));
      m_nAccum >>= 8;
      m_nAccumBits -= 8;
    }
    m_nAccumBits = 0;
    FlushBlock();
  }
}

void GifWriter::BlockByte(BYTE b) {
  m_block[m_nBlockCount++] = b;
  if (m_nBlockCount >= 254) FlushBlock();
}

void GifWriter::FlushBlock() {
  if (m_nBlockCount == 0) return;
  Put(static_cast<BYTE>(m_nBlockCount));
  m_pOut->insert(m_pOut->end(), m_block, m_block + m_nBlockCount);
  m_nBlockCount = 0;
}

}  // namespace giffmt
