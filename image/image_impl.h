// The picture's implementation: a packed device-independent bitmap (header,
// colour table and bottom-up pixel rows in one locked global-memory block)
// with its palette, and the palette and drawing functions the format handlers
// share.
#pragma once

#include <string>

#include "framework/gdi.h"
#include "framework/wintypes.h"

class CDC;

class CImageImpl {
 public:
  CImageImpl() = default;
  virtual ~CImageImpl();
  CImageImpl(const CImageImpl&) = delete;
  CImageImpl& operator=(const CImageImpl&) = delete;

  // Row y is the row y in memory order: y = 0 is the picture's bottom row.
  virtual BOOL IsInside(int x, int y);
  // A new zero-filled DIB; returns the row bytes, 0 when it cannot be made.
  virtual int Create(int width, int height, int bitsPerPixel, int colorType);
  virtual int GetPixelIndex(int x, int y);
  virtual BOOL GetPixelRGB(int x, int y, BYTE& red, BYTE& green, BYTE& blue);
  virtual BOOL SetPixelIndex(int x, int y, BYTE index);
  virtual BOOL SetPixelRGB(int x, int y, BYTE red, BYTE green, BYTE blue);
  virtual BOOL Read(const std::string& name);
  virtual BOOL Write(const std::string& name);

  // The packed DIB for a picture of the given size, locked; null when it cannot
  // be had (also for sizes over the library's limits).
  BYTE* AllocDIB(int bitsPerPixel, int width, int height);
  // Unlocks and frees the DIB and forgets the pixels.
  void FreeDIB();

  // Palettes: the image owns its palette and keeps its colour table in index
  // form while it has one.
  BOOL SetPalette(int count, const BYTE* red, const BYTE* green, const BYTE* blue);
  BOOL SetPalette(int count, const BYTE* rgbTriples);
  BOOL SetPalette(CPalette* palette);
  CPalette* GetPalette() const { return imagePalette; }

  // Drawing through the device context's selected palette. Width and height
  // -1 mean the picture's own; the source origin counts from the bottom row.
  BOOL Draw(CDC* dc, int x, int y, int width = -1, int height = -1, int xSrc = 0, int ySrc = 0);
  BOOL StretchDraw(CDC* dc, int x, int y, int width = -1, int height = -1, int xSrc = 0,
                   int ySrc = 0, int srcWidth = -1, int srcHeight = -1);

  BYTE* m_pBits = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nBitsPerPixel = 0;
  int m_nColorType = 0;
  int m_nRowBytes = 0;
  BYTE* m_pDIB = nullptr;
  int m_nTransparent = -1;
  CPalette* imagePalette = nullptr;
};

class CFileImageImpl : public CImageImpl {
 public:
  explicit CFileImageImpl(const std::string& path = std::string()) : m_strPath(path) {}

  std::string m_strPath;
};

// Limits on what the library makes from a file: larger pictures are refused
// before anything is allocated.
constexpr int MAX_IMAGE_SIDE = 16384;
constexpr std::size_t MAX_DIB_BYTES = std::size_t{256} << 20;

// Bytes of one DIB row (padded to four bytes); 0 when the size is out of range.
std::size_t DibRowBytes(int width, int bitsPerPixel);
// The DIB's colour-table entry count: biClrUsed, else 2^depth up to depth 8.
int DibColorCount(const BITMAPINFOHEADER* header);
// The first byte of the DIB's pixel rows.
BYTE* DibBits(BYTE* dib);

// --- palette functions shared by the handlers
BOOL CreatePaletteFromArrays(CPalette* palette, int count, const BYTE* red, const BYTE* green,
                             const BYTE* blue);
HPALETTE CreatePaletteFromDIB(const BYTE* dib, BYTE flags);
// mode 1: index form (entry i holds i); mode 0: colour form from the palette.
BOOL FillColorTable(BYTE* dib, HPALETTE palette, int mode);
BOOL GetPaletteEntryRGB(const CPalette* palette, int index, BYTE& red, BYTE& green, BYTE& blue);
int NearestPaletteIndex(const CPalette* palette, BYTE red, BYTE green, BYTE blue);

// The reason the last read or write of this thread failed, for tools; empty
// when it gave none. Handlers set it when they fail.
const std::string& ImageLastError();
void SetImageLastError(const std::string& reason);
