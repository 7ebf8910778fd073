#include "image/image_impl.h"

#include <climits>
#include <cstring>

#include "framework/globalmem.h"

namespace {

// The sixteen standard colours (red, green, blue) a new colour table holds.
constexpr BYTE kStandardColours[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

bool SupportedDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

thread_local std::string t_lastError;

}  // namespace

std::size_t DibRowBytes(int width, int bitsPerPixel) {
  if (width <= 0 || width > MAX_IMAGE_SIDE || bitsPerPixel <= 0 || bitsPerPixel > 32) return 0;
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32) * 4;
}

int DibColorCount(const BITMAPINFOHEADER* header) {
  if (!header) return 0;
  if (header->biClrUsed) return header->biClrUsed > 256 ? 256 : static_cast<int>(header->biClrUsed);
  if (header->biBitCount <= 8) return 1 << header->biBitCount;
  return 0;
}

BYTE* DibBits(BYTE* dib) {
  if (!dib) return nullptr;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  const std::size_t table =
      h->biCompression == BI_BITFIELDS ? 12 : static_cast<std::size_t>(h->biClrUsed) * 4;
  return dib + h->biSize + table;
}

const std::string& ImageLastError() { return t_lastError; }
void SetImageLastError(const std::string& reason) { t_lastError = reason; }

CImageImpl::~CImageImpl() {
  FreeDIB();
  delete imagePalette;
}

BOOL CImageImpl::Read(const std::string&) { return 0; }
BOOL CImageImpl::Write(const std::string&) { return 0; }

BYTE* CImageImpl::AllocDIB(int bitsPerPixel, int width, int height) {
  if (!SupportedDepth(bitsPerPixel) || height <= 0 || height > MAX_IMAGE_SIDE) return nullptr;
  const std::size_t rowBytes = DibRowBytes(width, bitsPerPixel);
  if (rowBytes == 0) return nullptr;
  const std::size_t imageSize = rowBytes * static_cast<std::size_t>(height);
  if (imageSize > MAX_DIB_BYTES) return nullptr;
  const std::size_t total = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + imageSize;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, total);
  if (!block) return nullptr;
  auto* dib = static_cast<BYTE*>(GlobalLock(block));
  if (!dib) {
    GlobalFree(block);
    return nullptr;
  }
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(dib);
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(bitsPerPixel);
  h->biCompression = BI_RGB;
  h->biSizeImage = static_cast<DWORD>(imageSize);
  h->biClrUsed = bitsPerPixel <= 8 ? (DWORD{1} << bitsPerPixel) : 0;
  auto* table = reinterpret_cast<RGBQUAD*>(dib + sizeof(BITMAPINFOHEADER));
  // Whole groups of sixteen only: a two-entry table stays black.
  for (DWORD i = 0; i + 16 <= h->biClrUsed; i += 16) {
    for (int c = 0; c < 16; ++c) {
      table[i + c] =
          RGBQUAD{kStandardColours[c][2], kStandardColours[c][1], kStandardColours[c][0], 0};
    }
  }
  return dib;
}

void CImageImpl::FreeDIB() {
  if (m_pDIB) {
    HGLOBAL block = GlobalHandle(m_pDIB);
    if (block) {
      GlobalUnlock(block);
      GlobalFree(block);
    }
  }
  m_pDIB = nullptr;
  m_pBits = nullptr;
}

int CImageImpl::Create(int width, int height, int bitsPerPixel, int colorType) {
  m_nWidth = width;
  m_nHeight = height;
  m_nBitsPerPixel = bitsPerPixel;
  m_nColorType = colorType >= 0 ? colorType : (bitsPerPixel <= 8 ? 0 : 2);
  FreeDIB();
  delete imagePalette;
  imagePalette = nullptr;
  m_pDIB = AllocDIB(bitsPerPixel, width, height);
  if (!m_pDIB) {
    // A picture without pixels has no size either.
    m_nWidth = m_nHeight = m_nBitsPerPixel = 0;
    m_nRowBytes = 0;
    return 0;
  }
  m_pBits = DibBits(m_pDIB);
  m_nRowBytes = static_cast<int>(DibRowBytes(width, bitsPerPixel));
  return m_nRowBytes;
}

BOOL CImageImpl::IsInside(int x, int y) {
  return (x >= 0 && x < m_nWidth && y >= 0 && y < m_nHeight) ? 1 : 0;
}

// Pixels of depths below 8 share a byte, the leftmost in the high bits; the
// accessors read and write only the pixel's own bits.
int CImageImpl::GetPixelIndex(int x, int y) {
  if (!m_pBits || !IsInside(x, y) || m_nBitsPerPixel > 8) return -1;
  const BYTE* row = m_pBits + static_cast<std::size_t>(y) * m_nRowBytes;
  const int bit = x * m_nBitsPerPixel;
  const BYTE byte = row[bit / 8];
  if (m_nBitsPerPixel == 8) return byte;
  const int shift = 8 - m_nBitsPerPixel - (bit % 8);
  return (byte >> shift) & ((1 << m_nBitsPerPixel) - 1);
}

BOOL CImageImpl::SetPixelIndex(int x, int y, BYTE index) {
  if (!m_pBits || !IsInside(x, y) || m_nBitsPerPixel > 8) return 0;
  BYTE* row = m_pBits + static_cast<std::size_t>(y) * m_nRowBytes;
  const int bit = x * m_nBitsPerPixel;
  if (m_nBitsPerPixel == 8) {
    row[bit / 8] = index;
    return 1;
  }
  const int shift = 8 - m_nBitsPerPixel - (bit % 8);
  const int mask = ((1 << m_nBitsPerPixel) - 1) << shift;
  row[bit / 8] = static_cast<BYTE>((row[bit / 8] & ~mask) | ((index << shift) & mask));
  return 1;
}

BOOL CImageImpl::GetPixelRGB(int x, int y, BYTE& red, BYTE& green, BYTE& blue) {
  if (!m_pBits || !IsInside(x, y)) return 0;
  if (imagePalette && m_nBitsPerPixel <= 8) {
    return GetPaletteEntryRGB(imagePalette, GetPixelIndex(x, y), red, green, blue);
  }
  const BYTE* p = m_pBits + static_cast<std::size_t>(y) * m_nRowBytes;
  switch (m_nBitsPerPixel) {
    case 24:
    case 32:
      p += static_cast<std::size_t>(x) * (m_nBitsPerPixel / 8);
      blue = p[0];
      green = p[1];
      red = p[2];
      return 1;
    case 16: {
      p += static_cast<std::size_t>(x) * 2;
      const int v = p[0] | (p[1] << 8);
      red = static_cast<BYTE>(((v >> 10) & 31) * 255 / 31);
      green = static_cast<BYTE>(((v >> 5) & 31) * 255 / 31);
      blue = static_cast<BYTE>((v & 31) * 255 / 31);
      return 1;
    }
    default: {
      // Without a palette the colour table holds the colours.
      const int index = GetPixelIndex(x, y);
      const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(m_pDIB);
      if (index < 0 || index >= DibColorCount(h)) return 0;
      const auto* table = reinterpret_cast<const RGBQUAD*>(m_pDIB + h->biSize);
      red = table[index].rgbRed;
      green = table[index].rgbGreen;
      blue = table[index].rgbBlue;
      return 1;
    }
  }
}

BOOL CImageImpl::SetPixelRGB(int x, int y, BYTE red, BYTE green, BYTE blue) {
  if (!m_pBits || !IsInside(x, y)) return 0;
  if (m_nColorType & 1) {
    if (!imagePalette) return 0;
    return SetPixelIndex(x, y,
                         static_cast<BYTE>(NearestPaletteIndex(imagePalette, red, green, blue)));
  }
  BYTE* p = m_pBits + static_cast<std::size_t>(y) * m_nRowBytes;
  switch (m_nBitsPerPixel) {
    case 24:
    case 32:
      p += static_cast<std::size_t>(x) * (m_nBitsPerPixel / 8);
      p[0] = blue;
      p[1] = green;
      p[2] = red;
      return 1;
    case 16: {
      p += static_cast<std::size_t>(x) * 2;
      const int v = ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
      p[0] = static_cast<BYTE>(v & 0xFF);
      p[1] = static_cast<BYTE>(v >> 8);
      return 1;
    }
    default: {
      // Index pixels without a palette: the nearest colour of the colour table.
      const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(m_pDIB);
      const auto* table = reinterpret_cast<const RGBQUAD*>(m_pDIB + h->biSize);
      const int n = DibColorCount(h);
      if (n == 0) return 0;
      int best = 0;
      long bestDistance = LONG_MAX;
      for (int i = 0; i < n; ++i) {
        const long dr = table[i].rgbRed - red, dg = table[i].rgbGreen - green,
                   db = table[i].rgbBlue - blue;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
          bestDistance = d;
          best = i;
        }
      }
      return SetPixelIndex(x, y, static_cast<BYTE>(best));
    }
  }
}
