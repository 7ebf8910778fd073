// Palettes of pictures, the colour-table forms, and drawing.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "framework/dc.h"
#include "framework/msgbox.h"
#include "image/image_impl.h"

namespace {

RGBQUAD* ColorTable(BYTE* dib) {
  return reinterpret_cast<RGBQUAD*>(dib + reinterpret_cast<BITMAPINFOHEADER*>(dib)->biSize);
}

}  // namespace

BOOL CreatePaletteFromArrays(CPalette* palette, int count, const BYTE* red, const BYTE* green,
                             const BYTE* blue) {
  if (!palette || palette->GetSafeHandle() || !red || !green || !blue) return 0;
  if (count <= 0) return 0;
  count = std::min(count, 256);
  std::vector<BYTE> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(count);
  for (int i = 0; i < count; ++i) log->palPalEntry[i] = PALETTEENTRY{red[i], green[i], blue[i], 0};
  return palette->CreatePalette(log) ? 1 : 0;
}

HPALETTE CreatePaletteFromDIB(const BYTE* dib, BYTE flags) {
  if (!dib) return nullptr;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  const int n = DibColorCount(h);
  if (n == 0 || (h->biBitCount > 8 && h->biClrUsed == 0)) return nullptr;
  const auto* table = reinterpret_cast<const RGBQUAD*>(dib + h->biSize);
  std::vector<BYTE> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = static_cast<WORD>(n);
  for (int i = 0; i < n; ++i) {
    log->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, flags};
  }
  return CreatePalette(log);
}

BOOL FillColorTable(BYTE* dib, HPALETTE palette, int mode) {
  if (!dib) return 0;
  if (!palette) palette = fw::DefaultPalette();
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(dib);
  const int n = DibColorCount(h);
  if (n == 0) return 1;
  if (n == 3 && h->biCompression == BI_BITFIELDS) return 1;
  if (mode == 1) {
    auto* indices = reinterpret_cast<WORD*>(ColorTable(dib));
    for (int i = 0; i < n; ++i) indices[i] = static_cast<WORD>(i);
    return 1;
  }
  std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
  GetPaletteEntries(palette, 0, static_cast<UINT>(n), entries.data());
  RGBQUAD* table = ColorTable(dib);
  for (int i = 0; i < n; ++i) {
    table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  }
  return 1;
}

BOOL GetPaletteEntryRGB(const CPalette* palette, int index, BYTE& red, BYTE& green, BYTE& blue) {
  if (!palette || index < 0 || index > 255) return 0;
  PALETTEENTRY e{};
  if (palette->GetPaletteEntries(static_cast<UINT>(index), 1, &e) != 1) return 0;
  red = e.peRed;
  green = e.peGreen;
  blue = e.peBlue;
  return 1;
}

int NearestPaletteIndex(const CPalette* palette, BYTE red, BYTE green, BYTE blue) {
  if (!palette) return -1;
  const UINT index = palette->GetNearestPaletteIndex(RGB(red, green, blue));
  return index == CLR_INVALID ? -1 : static_cast<int>(index);
}

BOOL CImageImpl::SetPalette(int count, const BYTE* red, const BYTE* green, const BYTE* blue) {
  if (!red || count <= 0) return 0;
  if (!green) green = red;
  if (!blue) blue = green;
  delete imagePalette;
  imagePalette = new (std::nothrow) CPalette;
  if (!imagePalette) return 0;
  CreatePaletteFromArrays(imagePalette, count, red, green, blue);
  m_nColorType |= 3;
  return FillColorTable(m_pDIB, imagePalette->GetSafeHandle(), 1);
}

BOOL CImageImpl::SetPalette(int count, const BYTE* rgbTriples) {
  if (!rgbTriples || count <= 0) return 0;
  if (imagePalette) AfxMessageBox("CImageImpl::imagePalette already exists!", MB_OK);
  count = std::min(count, 256);
  BYTE red[256], green[256], blue[256];
  for (int i = 0; i < count; ++i) {
    red[i] = rgbTriples[3 * i];
    green[i] = rgbTriples[3 * i + 1];
    blue[i] = rgbTriples[3 * i + 2];
  }
  return SetPalette(count, red, green, blue);
}

BOOL CImageImpl::SetPalette(CPalette* palette) {
  if (!palette) return 0;
  if (palette != imagePalette) {
    delete imagePalette;
    imagePalette = palette;
  }
  m_nColorType |= 3;
  return FillColorTable(m_pDIB, palette->GetSafeHandle(), 1);
}

namespace {

// The colour table as palette indices while the picture has a palette; a
// picture of depth 8 or less without one keeps colours in its table.
UINT ColorUse(const CImageImpl& image) {
  return (image.imagePalette || image.m_nBitsPerPixel > 8) ? DIB_PAL_COLORS : DIB_RGB_COLORS;
}

}  // namespace

BOOL CImageImpl::Draw(CDC* dc, int x, int y, int width, int height, int xSrc, int ySrc) {
  if (!m_pDIB) return 0;
  if (!dc || !dc->GetSafeHdc()) return 1;
  dc->RealizePalette();
  if (width == -1) width = m_nWidth;
  if (height == -1) height = m_nHeight;
  if (width < 0 || height < 0) return 1;
  SetDIBitsToDevice(dc->GetSafeHdc(), x, y, static_cast<DWORD>(width), static_cast<DWORD>(height),
                    xSrc, ySrc, 0, static_cast<UINT>(m_nHeight), m_pBits,
                    reinterpret_cast<const BITMAPINFO*>(m_pDIB), ColorUse(*this));
  return 1;
}

BOOL CImageImpl::StretchDraw(CDC* dc, int x, int y, int width, int height, int xSrc, int ySrc,
                             int srcWidth, int srcHeight) {
  if (!m_pDIB) return 0;
  if (!dc || !dc->GetSafeHdc()) return 1;
  HDC hdc = dc->GetSafeHdc();
  if (width == -1) width = m_nWidth;
  if (height == -1) height = m_nHeight;
  if (srcWidth == -1) srcWidth = m_nWidth - xSrc;
  if (srcHeight == -1) srcHeight = m_nHeight - ySrc;
  dc->RealizePalette();
  dc->SetStretchBltMode(COLORONCOLOR);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(m_pDIB);
  if (m_nTransparent < 0 || m_nBitsPerPixel > 8 || m_nTransparent >= (1 << m_nBitsPerPixel)) {
    StretchDIBits(hdc, x, y, width, height, xSrc, ySrc, srcWidth, srcHeight, m_pBits, info,
                  ColorUse(*this), SRCCOPY);
    return 1;
  }
  // Two masked passes: AND with a mask that is white only where the pixels
  // are transparent, then OR with the picture whose transparent pixels are
  // black. The masks are colour tables of exact black and white, so neither
  // the pixels nor the palettes need pure black or white entries.
  const int n = 1 << m_nBitsPerPixel;
  const std::size_t headerBytes = sizeof(BITMAPINFOHEADER);
  std::vector<BYTE> table(headerBytes + 256 * sizeof(RGBQUAD), 0);
  std::memcpy(table.data(), m_pDIB, headerBytes);
  auto* maskInfo = reinterpret_cast<BITMAPINFO*>(table.data());
  maskInfo->bmiHeader.biClrUsed = static_cast<DWORD>(n);
  auto* colours = reinterpret_cast<RGBQUAD*>(table.data() + headerBytes);
  colours[m_nTransparent] = RGBQUAD{255, 255, 255, 0};
  StretchDIBits(hdc, x, y, width, height, xSrc, ySrc, srcWidth, srcHeight, m_pBits, maskInfo,
                DIB_RGB_COLORS, SRCAND);
  // The colours the picture draws in: its table through the device context's
  // palette (or its own colours), with the transparent index black.
  const DWORD used = reinterpret_cast<const BITMAPINFOHEADER*>(m_pDIB)->biClrUsed;
  const int entries = used ? static_cast<int>(std::min<DWORD>(used, 256)) : n;
  const BYTE* own = m_pDIB + headerBytes;
  std::vector<PALETTEENTRY> pal(256, PALETTEENTRY{0, 0, 0, 0});
  const UINT have = GetPaletteEntries(GetCurrentObject(hdc, OBJ_PAL), 0, 256, pal.data());
  for (int i = 0; i < n; ++i) {
    RGBQUAD q{0, 0, 0, 0};
    if (i < entries) {
      if (ColorUse(*this) == DIB_PAL_COLORS) {
        WORD index;
        std::memcpy(&index, own + 2 * i, sizeof index);
        if (index < have) q = RGBQUAD{pal[index].peBlue, pal[index].peGreen, pal[index].peRed, 0};
      } else {
        std::memcpy(&q, own + 4 * i, sizeof q);
      }
    }
    colours[i] = i == m_nTransparent ? RGBQUAD{0, 0, 0, 0} : q;
  }
  StretchDIBits(hdc, x, y, width, height, xSrc, ySrc, srcWidth, srcHeight, m_pBits, maskInfo,
                DIB_RGB_COLORS, SRCPAINT);
  return 1;
}
