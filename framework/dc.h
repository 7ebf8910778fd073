// Device contexts: drawing into a window's part of its top-level surface, or
// into a memory bitmap. Pixels and clipping go through pixman.
#pragma once

#include <pixman.h>

#include <memory>
#include <string>

#include "framework/gdi.h"
#include "framework/wintypes.h"

class CWnd;

struct DOCINFO;

namespace fw {

class ShownWindow;

// A device context that is not a pixel buffer: a printer page or a metafile
// being recorded. Copies of pixels into it go through DrawImage.
struct DCDevice {
  virtual ~DCDevice() = default;
  // Draws the sw by sh pixels of src at (sx, sy) into the rectangle (x, y, w, h)
  // in device units; the source rectangle lies inside src.
  virtual bool DrawImage(const Surface& src, int sx, int sy, int sw, int sh, int x, int y, int w,
                         int h) = 0;
  virtual int DeviceCaps(int index) const = 0;
};

// The state behind an HDC.
struct DCState {
  DCState();
  ~DCState();
  DCState(const DCState&) = delete;
  DCState& operator=(const DCState&) = delete;

  enum class Kind { Window, Memory };
  Kind kind = Kind::Window;
  Surface* target = nullptr;     // where pixels go (may be null: draws nothing)
  ShownWindow* shown = nullptr;  // window contexts: takes the damage of drawing
  POINT origin{};                // the device context's (0, 0) in target pixels
  // Where drawing may reach, in target pixels: the window's rectangle within
  // its top-level surface, or the whole bitmap.
  pixman_region32_t visible;
  bool hasClip = false;    // a clip region was selected
  pixman_region32_t clip;  // in device-context coordinates

  HPALETTE palette = nullptr;  // selected palette; null means the default one
  HBITMAP bitmap = nullptr;    // the bitmap selected into a memory context
  HBRUSH brush = nullptr;
  HPEN pen = nullptr;
  HFONT font = nullptr;
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = 2;                    // OPAQUE
  int stretchMode = 1;               // BLACKONWHITE
  POINT position{};                  // current position of MoveTo and LineTo
  std::unique_ptr<DCDevice> device;  // printer or metafile; target is then null
};

// The region, in target pixels, that drawing through dc may touch now.
void EffectiveClip(const DCState* dc, pixman_region32_t* out);

// Shows what has been drawn into dc's window (used before scrolling).
void ShowDrawn(const DCState* dc);
// Drawing reached area (target pixels) of dc's window; the part outside the
// effective clip was not drawn and is dropped.
void NoteDrawn(const DCState* dc, const pixman_region32_t& area);
void NoteDrawn(const DCState* dc, int x, int y, int width, int height);

}  // namespace fw

// --- flat calls
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
int SelectClipRgn(HDC dc, HRGN region);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
// Object types of GetCurrentObject.
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_PAL = 5;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
// The object of the type selected into dc (the default palette when none is).
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                      UINT colorUse);
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT colorUse, DWORD rop);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop);
BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
              RECT* updateRect);

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL LineTo(HDC dc, int x, int y);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
COLORREF GetPixel(HDC dc, int x, int y);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

// What GetDeviceCaps tells.
constexpr int HORZSIZE = 4;  // millimetres
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;  // device units
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
int GetDeviceCaps(HDC dc, int index);

// Text flags of DrawText.
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_CALCRECT = 0x0400;
int DrawText(HDC dc, const std::string& text, RECT* rect, UINT format);
BOOL TextOut(HDC dc, int x, int y, const std::string& text);
BOOL GetTextExtentPoint(HDC dc, const std::string& text, SIZE* size);

class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  BOOL Attach(HDC dc);
  HDC Detach();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }

  CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
  UINT RealizePalette();
  CBitmap* SelectObject(CBitmap* bitmap);
  CBrush* SelectObject(CBrush* brush);
  CPen* SelectObject(CPen* pen);
  CFont* SelectObject(CFont* font);
  int SelectClipRgn(CRgn* region);
  int SetStretchBltMode(int mode);

  BOOL BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop);
  BOOL ScrollDC(int dx, int dy, const RECT* scroll, const RECT* clip, CRgn* update,
                RECT* updateRect);
  POINT MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  void FillRect(const RECT* rect, CBrush* brush);
  void FillSolidRect(const RECT* rect, COLORREF color);
  void FillSolidRect(int x, int y, int width, int height, COLORREF color);
  BOOL Rectangle(int left, int top, int right, int bottom);
  COLORREF SetTextColor(COLORREF color);
  COLORREF SetBkColor(COLORREF color);
  int SetBkMode(int mode);
  int DrawText(const std::string& text, RECT* rect, UINT format);
  BOOL TextOut(int x, int y, const std::string& text);
  SIZE GetTextExtent(const std::string& text);
  COLORREF GetPixel(int x, int y);
  int GetDeviceCaps(int index) const;
  // Print jobs on a printer device context.
  int StartDoc(DOCINFO* info);
  int StartPage();
  int EndPage();
  int EndDoc();
  int AbortDoc();

  HDC m_hDC = nullptr;
  BOOL m_bPrinting = FALSE;

 protected:
  // Wrappers handed out by the Select calls for previously selected objects.
  CPalette m_oldPalette;
  CBitmap m_oldBitmap;
  CBrush m_oldBrush;
  CPen m_oldPen;
  CFont m_oldFont;
};

// The device context of a window's client area, released by the destructor.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 protected:
  HWND m_hWnd = nullptr;
};

// The same for the whole window (the framework's windows have no non-client
// area of their own, so it is the client area).
class CWindowDC : public CClientDC {
 public:
  explicit CWindowDC(CWnd* window) : CClientDC(window) {}
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint{};
};

// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC() override;

  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};
