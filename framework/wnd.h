// Windows: window classes, CWnd with its message handlers, CFrameWnd.
#pragma once

#include <pixman.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/dc.h"
#include "framework/platform.h"
#include "framework/wintypes.h"

class CWnd;
class CDC;

struct CPoint : POINT {
  CPoint() = default;
  CPoint(int px, int py) {
    x = px;
    y = py;
  }
};

struct CSize : SIZE {
  CSize() = default;
  CSize(int w, int h) {
    cx = w;
    cy = h;
  }
};

struct CRect : RECT {
  CRect() = default;
  CRect(int l, int t, int r, int b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  CRect(const RECT& r) : RECT(r) {}  // NOLINT: implicit like the framework's
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
  BOOL PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void OffsetRect(int dx, int dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
};

struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  std::string lpszName;
  std::string lpszClass;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};

struct CCreateContext {};

// The position a window gets when its creator leaves it to the framework.
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

namespace fw {

struct WndClassInfo {
  std::string name;
  UINT style = 0;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  HICON icon = nullptr;
};

// The state behind an HWND.
struct WndState {
  WndState();
  ~WndState();
  CWnd* object = nullptr;
  const WndClassInfo* cls = nullptr;
  HWND parent = nullptr;  // child windows: the parent
  HWND owner = nullptr;   // top-level windows: the owner
  bool child = false;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  RECT rect{};  // children: in the parent's client coordinates; top-level: screen
  std::string title;
  NativeWindowId native = kNoNativeWindow;  // top-level windows only
  std::unique_ptr<Surface> surface;         // top-level windows only
  std::unique_ptr<ShownWindow> shown;       // top-level windows: the surface's showing
  pixman_region32_t update;                 // in client coordinates
  bool erase = false;                       // the update region wants its background erased
  bool visible = false;
  bool enabled = true;
  bool destroying = false;
  bool minimized = false;
  std::vector<HWND> children;  // in creation order: the first is on top
  HWND lastActivePopup = nullptr;
  HICON icons[2] = {nullptr, nullptr};
  std::uint64_t serial = 0;  // never reused; names the window to other copies
  // A window of another copy of the program, found by its title.
  bool remote = false;
  std::uint64_t remoteId = 0;
};

// True when h names a window that exists.
bool IsLiveWindow(HWND h);
// The top-level window that holds h (h itself when top-level).
HWND TopLevelOf(HWND h);
// h's client origin in its top-level surface.
POINT OriginInTopLevel(HWND h);
// Every live top-level window, oldest first.
std::vector<HWND> TopLevelWindows();
// The child (or deeper descendant) of the top-level under point p in its client
// coordinates, honouring "first created is on top"; the top-level itself if none.
HWND WindowFromTopLevelPoint(HWND top, POINT p);

}  // namespace fw

// --- window classes
LPCTSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

// --- flat calls
BOOL IsWindow(HWND window);
BOOL ShowWindow(HWND window, int showCommand);
BOOL IsIconic(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
DWORD GetMessageTime();
HWND GetActiveWindow();
HWND GetFocus();
HWND SetFocus(HWND window);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL UpdateWindow(HWND window);
int GetSystemMetrics(int index);
UINT GetDoubleClickTime();
// The high bit is set while the key (VK_SHIFT, VK_CONTROL) is down.
SHORT GetKeyState(int virtualKey);
HCURSOR SetCursor(HCURSOR cursor);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

class CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // --- creation and destruction
  virtual BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                      CWnd* parent, UINT id, CCreateContext* context = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual void PostNcDestroy();

  // --- messages
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* msg);
  LRESULT Default();
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // --- handlers; each default is the framework's default processing
  virtual int OnCreate(LPCREATESTRUCT cs);
  virtual void OnDestroy();
  virtual void OnNcDestroy();
  virtual void OnPaint();
  virtual BOOL OnEraseBkgnd(CDC* dc);
  virtual void OnClose();
  virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnLButtonDown(UINT nFlags, CPoint point);
  virtual void OnLButtonUp(UINT nFlags, CPoint point);
  virtual void OnLButtonDblClk(UINT nFlags, CPoint point);
  virtual void OnRButtonDown(UINT nFlags, CPoint point);
  virtual void OnRButtonUp(UINT nFlags, CPoint point);
  virtual void OnMouseMove(UINT nFlags, CPoint point);
  virtual BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint point);
  virtual void OnTimer(UINT_PTR nIDEvent);
  virtual void OnSetFocus(CWnd* oldWnd);
  virtual void OnKillFocus(CWnd* newWnd);
  virtual void OnShowWindow(BOOL bShow, UINT nStatus);

  // --- state
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }
  static CWnd* FromHandle(HWND window);
  static CWnd* FindWindow(LPCTSTR className, LPCTSTR windowName);
  static CWnd* GetActiveWindow();
  static CWnd* GetFocus();
  CWnd* GetParent() const;
  CWnd* GetOwner() const;
  CWnd* GetLastActivePopup() const;
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  BOOL IsWindowVisible() const;
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  DWORD GetStyle() const;

  // --- actions
  BOOL ShowWindow(int showCommand);
  void UpdateWindow();
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
  void ValidateRect(const RECT* rect);
  CWnd* SetFocus();
  BOOL SetForegroundWindow();
  CWnd* SetActiveWindow();
  BOOL EnableWindow(BOOL enable = TRUE);
  void SetWindowText(LPCTSTR text);
  void SetWindowText(const std::string& text) { SetWindowText(text.c_str()); }
  int GetWindowText(LPTSTR buffer, int max) const;
  std::string GetWindowText() const;
  void GetClientRect(RECT* rect) const;
  void GetWindowRect(RECT* rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void CenterWindow(CWnd* alternateOwner = nullptr);
  void ClientToScreen(POINT* point) const;
  void ScreenToClient(POINT* point) const;
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, void (*callback)(HWND, UINT, UINT_PTR, DWORD));
  BOOL KillTimer(UINT_PTR id);
  HICON SetIcon(HICON icon, BOOL bigIcon);
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  CDC* BeginPaint(PAINTSTRUCT* paint);
  void EndPaint(PAINTSTRUCT* paint);
  int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

  // --- modal loops
  virtual int RunModalLoop(DWORD flags = 0);
  virtual void EndModalLoop(int result);
  BOOL ContinueModal() const;

  HWND m_hWnd = nullptr;

 protected:
  int m_nModalResult = 0;
  bool m_bInModalLoop = false;
  bool m_bModalContinue = false;
};

class CFrameWnd : public CWnd {
 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;
  BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* parent = nullptr, LPCTSTR menuName = nullptr,
              DWORD exStyle = 0, CCreateContext* context = nullptr);
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void PostNcDestroy() override;
  void OnClose() override;

  static const CRect rectDefault;
};
