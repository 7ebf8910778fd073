// Graphics objects: palettes, regions, brushes, pens, bitmaps and fonts, with
// their flat calls and the framework's wrapper classes.
#pragma once

#include <pixman.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/surface.h"
#include "framework/wintypes.h"

// --- structures of device-independent bitmaps and palettes
#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
struct BITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// Raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
// Region combination.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_PALETTE = 15;
constexpr int GDI_ERROR = -1;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

namespace fw {

// The state behind every graphics handle.
struct GdiObjectState {
  enum class Kind { Palette, Region, Brush, Pen, Bitmap, Font };
  explicit GdiObjectState(Kind k) : kind(k) {}
  virtual ~GdiObjectState() = default;
  Kind kind;
  bool stock = false;  // stock objects are never deleted
};

struct PaletteState : GdiObjectState {
  PaletteState() : GdiObjectState(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

struct RegionState : GdiObjectState {
  RegionState();
  ~RegionState() override;
  pixman_region32_t region;
};

struct BrushState : GdiObjectState {
  BrushState() : GdiObjectState(Kind::Brush) {}
  COLORREF color = 0;
  bool hollow = false;
};

struct PenState : GdiObjectState {
  PenState() : GdiObjectState(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct BitmapState : GdiObjectState {
  BitmapState() : GdiObjectState(Kind::Bitmap) { ++live; }
  ~BitmapState() override { --live; }
  Surface surface;
  // How many bitmaps exist, so that tests can see one leak.
  static inline int live = 0;
};

struct FontState : GdiObjectState {
  FontState() : GdiObjectState(Kind::Font) {}
  std::string face;
  int pixelHeight = 13;  // cell height in pixels
  bool bold = false;
};

template <class T>
T* As(HGDIOBJ h, GdiObjectState::Kind kind) {
  return (h && h->kind == kind) ? static_cast<T*>(h) : nullptr;
}

// The palette that a device context uses when none is selected: the system's
// twenty static colours.
HPALETTE DefaultPalette();

}  // namespace fw

// --- flat calls
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int which);

HPALETTE CreatePalette(const LOGPALETTE* logPalette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int GetRgnBox(HRGN region, RECT* box);
BOOL PtInRegion(HRGN region, int x, int y);
int OffsetRgn(HRGN region, int dx, int dy);

HBRUSH CreateSolidBrush(COLORREF color);
HPEN CreatePen(int style, int width, COLORREF color);

// --- wrapper classes
class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }

  HGDIOBJ m_hObject = nullptr;
  // A temporary wrapper (as handed out for a previously selected object) never
  // deletes its handle.
  bool m_bTemporary = false;
};

class CPalette : public CGdiObject {
 public:
  BOOL CreatePalette(const LOGPALETTE* logPalette);
  UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const;
  UINT SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries);
  UINT GetNearestPaletteIndex(COLORREF color) const;
  int GetEntryCount() const;
  operator HPALETTE() const { return m_hObject; }
};

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
  int CombineRgn(const CRgn* src1, const CRgn* src2, int mode);
  int CopyRgn(const CRgn* src);
  void SetRectRgn(int left, int top, int right, int bottom);
  int GetRgnBox(RECT* box) const;
  BOOL PtInRegion(int x, int y) const;
  operator HRGN() const { return m_hObject; }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color);
  BOOL CreateSolidBrush(COLORREF color);
  operator HBRUSH() const { return m_hObject; }
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color);
  BOOL CreatePen(int style, int width, COLORREF color);
  operator HPEN() const { return m_hObject; }
};

class CBitmap : public CGdiObject {
 public:
  BOOL CreateBitmap(int width, int height);
  operator HBITMAP() const { return m_hObject; }
};

class CFont : public CGdiObject {
 public:
  // A font of the given face ("Arial", "MS Sans Serif", ...) and point size.
  BOOL CreatePointFont(int tenthsOfPoint, LPCTSTR face);
  operator HFONT() const { return m_hObject; }
};
