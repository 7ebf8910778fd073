#include "image/bmp_decode.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace bmpfmt {
namespace {

std::uint32_t Le16(const BYTE* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutLe16(BYTE* p, std::uint32_t v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
void PutLe32(BYTE* p, std::uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}

std::uint64_t RowBytes(std::uint64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// One colour channel of a bit-field pixel: where it sits and how wide it is.
struct Channel {
  int shift = 0;
  int bits = 0;
  bool Set(DWORD mask) {
    if (mask == 0) return true;
    shift = std::countr_zero(mask);
    bits = std::popcount(mask);
    // Only contiguous masks describe a channel.
    return (mask >> shift) == ((bits == 32) ? 0xFFFFFFFFu : ((1u << bits) - 1));
  }
  BYTE Get(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    std::uint32_t v = (bits == 32) ? pixel : (pixel >> shift) & ((1u << bits) - 1);
    if (bits >= 8) return static_cast<BYTE>(v >> (bits - 8));
    // Scale the channel's range onto 0..255, rounding.
    std::uint32_t max = (1u << bits) - 1;
    return static_cast<BYTE>((v * 255 + max / 2) / max);
  }
};

void SetNibble(BYTE* row, std::int64_t x, BYTE v) {
  BYTE& b = row[x / 2];
  if (x % 2 == 0) {
    b = static_cast<BYTE>((b & 0x0F) | (v << 4));
  } else {
    b = static_cast<BYTE>((b & 0xF0) | (v & 0x0F));
  }
}

// Run-length data of 8 or 4 bits per pixel into zeroed bottom-up rows.
// Runs that pass the right edge are cut there; data that ends early leaves
// the rest of the picture zero.
void DecodeRle(const BYTE* p, std::size_t n, const Layout& l, BYTE* bits) {
  const bool four = l.coding == Layout::kRle4;
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::size_t i = 0;
  auto put = [&](BYTE v) {
    if (x < l.width) {
      BYTE* row = bits + static_cast<std::uint64_t>(y) * l.outRowBytes;
      if (four) {
        SetNibble(row, x, v);
      } else {
        row[x] = v;
      }
    }
    ++x;
  };
  while (i + 1 < n && y < l.height) {
    unsigned count = p[i];
    unsigned value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count && x < l.width; ++k) {
        put(four ? static_cast<BYTE>((k % 2 == 0) ? (value >> 4) : (value & 0x0F))
                 : static_cast<BYTE>(value));
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (i + 1 >= n) break;
      x += p[i];
      y += p[i + 1];
      i += 2;
    } else {  // a run of literal pixels, padded to an even byte count
      std::size_t bytes = four ? (value + 1) / 2 : value;
      std::size_t padded = (bytes + 1) & ~std::size_t{1};
      if (i + bytes > n) break;
      for (unsigned k = 0; k < value && x < l.width; ++k) {
        BYTE b = p[i + (four ? k / 2 : k)];
        put(four ? static_cast<BYTE>((k % 2 == 0) ? (b >> 4) : (b & 0x0F)) : b);
      }
      i += std::min(padded, n - i);
    }
  }
}

}  // namespace

bool ParseHeaders(const BYTE* data, std::size_t size, Layout& l, std::uint64_t fileSize) {
  l = Layout{};
  if (fileSize == 0) fileSize = size;
  std::size_t pos = 0;
  std::uint64_t offset = 0;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    if (size < 14) return false;
    offset = Le32(data + 10);
    pos = 14;
  }
  if (size < pos + 4) return false;
  const std::uint32_t headerSize = Le32(data + pos);
  // Windows headers are 40, 52, 56, 108 or 124 bytes; OS/2 has 12 and 16 to 64.
  if (headerSize != 12 && (headerSize < 16 || headerSize > 1024)) return false;
  if (size < pos + headerSize) return false;
  const BYTE* h = data + pos;
  DWORD compression = 0;
  DWORD clrUsed = 0;
  std::int64_t height = 0;
  if (headerSize == 12) {
    l.coreHeader = true;
    l.width = Le16(h + 4);
    height = Le16(h + 6);
    l.bitCount = static_cast<int>(Le16(h + 10));
  } else {
    // Fields the header is too short for read as zero.
    BYTE field[40] = {};
    std::memcpy(field, h, std::min<std::uint32_t>(headerSize, 40));
    l.width = static_cast<LONG>(Le32(field + 4));
    height = static_cast<LONG>(Le32(field + 8));
    l.bitCount = static_cast<int>(Le16(field + 14));
    compression = Le32(field + 16);
    l.xPelsPerMeter = static_cast<LONG>(Le32(field + 24));
    l.yPelsPerMeter = static_cast<LONG>(Le32(field + 28));
    clrUsed = Le32(field + 32);
  }
  if (l.width <= 0 || l.width > kMaxSide || height == 0 || height < -kMaxSide ||
      height > kMaxSide) {
    return false;
  }
  l.topDown = height < 0;
  l.height = height < 0 ? -height : height;

  // OS/2 2.x headers give other meanings to compression 3 and 4 (Huffman,
  // 24-bit run-length), which are not read.
  const bool os2 = headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
                   headerSize <= 64;
  std::size_t tablePos = pos + headerSize;
  switch (compression) {
    case 0:
      if (l.bitCount != 1 && l.bitCount != 2 && l.bitCount != 4 && l.bitCount != 8 &&
          l.bitCount != 16 && l.bitCount != 24 && l.bitCount != 32) {
        return false;
      }
      l.coding = Layout::kRgb;
      if (l.bitCount == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
      } else if (l.bitCount == 32) {
        l.masks[0] = 0xFF0000, l.masks[1] = 0xFF00, l.masks[2] = 0xFF;
      }
      break;
    case 1:
      if (l.bitCount != 8) return false;
      l.coding = Layout::kRle8;
      break;
    case 2:
      if (l.bitCount != 4) return false;
      l.coding = Layout::kRle4;
      break;
    case 3:
    case 6: {
      if (os2 || (l.bitCount != 16 && l.bitCount != 32)) return false;
      l.coding = Layout::kBitFields;
      const int count = compression == 6 ? 4 : 3;
      if (headerSize >= 40u + 4 * count) {
        for (int k = 0; k < count; ++k) l.masks[k] = Le32(h + 40 + 4 * k);
      } else {
        // The masks follow a 40-byte header.
        if (size < tablePos + 4 * count) return false;
        for (int k = 0; k < count; ++k) l.masks[k] = Le32(data + tablePos + 4 * k);
        tablePos += 4 * count;
      }
      break;
    }
    default:
      return false;  // JPEG or PNG inside a BMP, or unknown codings
  }
  // Run-length files are bottom-up by definition.
  if (l.topDown && l.coding != Layout::kRgb && l.coding != Layout::kBitFields) return false;
  if (l.coding == Layout::kRgb || l.coding == Layout::kBitFields) {
    Channel c;
    for (DWORD m : l.masks) {
      if (!c.Set(m)) return false;
    }
  }

  // The colour table: biClrUsed entries, or 2^depth when that is 0. Deeper
  // pictures may carry a table too; it is skipped.
  const int entrySize = l.coreHeader ? 3 : 4;
  std::uint64_t fileEntries = clrUsed;
  if (fileEntries == 0 && l.bitCount <= 8) fileEntries = 1ull << l.bitCount;
  if (l.coreHeader && l.bitCount <= 8) fileEntries = 1ull << l.bitCount;
  const std::uint64_t tableEnd = tablePos + fileEntries * entrySize;
  if (l.bitCount <= 8) {
    // A table longer than the depth can address keeps the entries it can.
    const std::uint64_t keep = std::min<std::uint64_t>(fileEntries, 1ull << l.bitCount);
    if (tablePos + keep * entrySize > size) return false;
    l.colorTable.assign(keep * 4, 0);
    for (std::uint64_t k = 0; k < keep; ++k) {
      const BYTE* e = data + tablePos + k * entrySize;
      l.colorTable[k * 4 + 0] = e[0];
      l.colorTable[k * 4 + 1] = e[1];
      l.colorTable[k * 4 + 2] = e[2];
    }
  }

  l.bitsOffset = offset != 0 ? offset : tableEnd;
  // Bits that start past the file's end cannot belong to this picture.
  if (l.bitsOffset >= fileSize) return false;

  switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
      l.outBitCount = l.bitCount;
      break;
    case 2:
      l.outBitCount = 8;
      break;
    default:
      l.outBitCount = 24;
      break;
  }
  if (l.outBitCount <= 8) {
    l.usedEntries = l.ColorEntries();
    l.colorTable.resize((std::size_t{1} << l.outBitCount) * 4, 0);
  }
  l.outRowBytes = RowBytes(l.width, l.outBitCount);
  l.outImageBytes = l.outRowBytes * l.height;
  if (l.outImageBytes > kMaxImageBytes) return false;
  return true;
}

void BuildHeader(const Layout& l, BYTE* out) {
  BYTE* hdr = out;
  std::memset(hdr, 0, 40);
  PutLe32(hdr + 0, 40);
  PutLe32(hdr + 4, static_cast<std::uint32_t>(l.width));
  PutLe32(hdr + 8, static_cast<std::uint32_t>(l.height));
  PutLe16(hdr + 12, 1);
  PutLe16(hdr + 14, static_cast<std::uint32_t>(l.outBitCount));
  PutLe32(hdr + 16, 0);
  PutLe32(hdr + 20, static_cast<std::uint32_t>(l.outImageBytes));
  PutLe32(hdr + 24, static_cast<std::uint32_t>(l.xPelsPerMeter));
  PutLe32(hdr + 28, static_cast<std::uint32_t>(l.yPelsPerMeter));
  PutLe32(hdr + 32, static_cast<std::uint32_t>(l.ColorEntries()));
  PutLe32(hdr + 36, static_cast<std::uint32_t>(l.usedEntries));
  if (!l.colorTable.empty()) std::memcpy(out + 40, l.colorTable.data(), l.colorTable.size());
}

void BuildPlainDib(const BYTE* data, std::size_t size, const Layout& l, BYTE* out) {
  BuildHeader(l, out);
  BYTE* bits = out + 40 + l.colorTable.size();
  const BYTE* src = data + l.bitsOffset;
  const std::size_t avail = size - l.bitsOffset;
  if (l.coding == Layout::kRle8 || l.coding == Layout::kRle4) {
    std::memset(bits, 0, l.outImageBytes);
    DecodeRle(src, avail, l, bits);
    return;
  }
  const std::uint64_t srcRowBytes = RowBytes(l.width, l.bitCount);
  Channel ch[3];
  for (int k = 0; k < 3; ++k) ch[k].Set(l.masks[k]);
  std::vector<BYTE> row(srcRowBytes);
  for (std::int64_t y = 0; y < l.height; ++y) {
    const std::int64_t fileRow = l.topDown ? l.height - 1 - y : y;
    const std::uint64_t start = static_cast<std::uint64_t>(fileRow) * srcRowBytes;
    BYTE* dst = bits + static_cast<std::uint64_t>(y) * l.outRowBytes;
    // Bytes past the file's end read as zero.
    const std::size_t have =
        start >= avail
            ? 0
            : static_cast<std::size_t>(std::min<std::uint64_t>(srcRowBytes, avail - start));
    if (l.bitCount == l.outBitCount) {
      if (have) std::memcpy(dst, src + start, have);
      std::memset(dst + have, 0, l.outRowBytes - have);
      continue;
    }
    std::memset(dst, 0, l.outRowBytes);
    if (have == 0) continue;
    std::memcpy(row.data(), src + start, have);
    std::memset(row.data() + have, 0, srcRowBytes - have);
    const BYTE* r = row.data();
    switch (l.bitCount) {
      case 2:
        for (std::int64_t x = 0; x < l.width; ++x) {
          dst[x] = (r[x / 4] >> (6 - 2 * (x % 4))) & 3;
        }
        break;
      case 16:
      case 32:
        for (std::int64_t x = 0; x < l.width; ++x) {
          std::uint32_t px = l.bitCount == 16 ? Le16(r + 2 * x) : Le32(r + 4 * x);
          dst[3 * x + 0] = ch[2].Get(px);
          dst[3 * x + 1] = ch[1].Get(px);
          dst[3 * x + 2] = ch[0].Get(px);
        }
        break;
      default:
        break;
    }
  }
}

bool DecodeToPlainDib(const BYTE* data, std::size_t size, std::vector<BYTE>& dib) {
  Layout l;
  if (!ParseHeaders(data, size, l)) return false;
  dib.assign(l.DibBytes(), 0);
  BuildPlainDib(data, size, l, dib.data());
  return true;
}

}  // namespace bmpfmt
