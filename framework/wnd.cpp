// Windows: creation, the window tree, showing, invalidation, focus, and CWnd.
#include "framework/wnd.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "framework/app.h"
#include "framework/instance.h"
#include "framework/kernel.h"
#include "framework/msgbox.h"
#include "framework/resources.h"
#include "framework/runtime.h"
#include "framework/showing.h"
#include "framework/wnd_internal.h"

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

namespace fw {

WndState::WndState() { pixman_region32_init(&update); }
WndState::~WndState() { pixman_region32_fini(&update); }

bool IsLiveWindow(HWND h) { return h && RT().live.count(h) && !h->remote; }

HWND TopLevelOf(HWND h) {
  while (h && h->child && h->parent) h = h->parent;
  return h;
}

POINT OriginInTopLevel(HWND h) {
  POINT p{};
  while (h && h->child && h->parent) {
    p.x += h->rect.left;
    p.y += h->rect.top;
    h = h->parent;
  }
  return p;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> out;
  for (HWND h : RT().windows) {
    if (!h->child) out.push_back(h);
  }
  return out;
}

void WindowDrawRegion(HWND window, pixman_region32_t* out) {
  pixman_region32_clear(out);
  if (!IsLiveWindow(window)) return;
  HWND top = TopLevelOf(window);
  if (!top->surface) return;
  POINT o = OriginInTopLevel(window);
  const int w = window->rect.right - window->rect.left;
  const int h = window->rect.bottom - window->rect.top;
  if (w <= 0 || h <= 0) return;
  pixman_region32_fini(out);
  pixman_region32_init_rect(out, o.x, o.y, static_cast<unsigned>(w), static_cast<unsigned>(h));
  for (HWND a = window; a->child && a->parent; a = a->parent) {
    HWND p = a->parent;
    POINT po = OriginInTopLevel(p);
    pixman_region32_t pr;
    pixman_region32_init_rect(&pr, po.x, po.y,
                              static_cast<unsigned>(std::max(0, p->rect.right - p->rect.left)),
                              static_cast<unsigned>(std::max(0, p->rect.bottom - p->rect.top)));
    pixman_region32_intersect(out, out, &pr);
    pixman_region32_fini(&pr);
  }
  pixman_region32_t all;
  pixman_region32_init_rect(&all, 0, 0, static_cast<unsigned>(top->surface->width),
                            static_cast<unsigned>(top->surface->height));
  pixman_region32_intersect(out, out, &all);
  pixman_region32_fini(&all);
}

Surface* WindowSurface(HWND window) {
  HWND top = TopLevelOf(window);
  return (top && top->surface) ? top->surface.get() : nullptr;
}

ShownWindow* WindowShowing(HWND window) {
  HWND top = TopLevelOf(window);
  return top ? top->shown.get() : nullptr;
}

void PresentWindow(HWND window) {
  HWND top = TopLevelOf(window);
  if (IsLiveWindow(top) && top->shown) top->shown->Show();
}

bool IsShown(HWND h) {
  for (; h; h = h->child ? h->parent : nullptr) {
    if (!h->visible) return false;
    if (!h->child) return true;
  }
  return false;
}

HWND WindowFromTopLevelPoint(HWND top, POINT p) {
  // Among siblings the one created first is on top; descend into it.
  HWND current = top;
  POINT local = p;
  while (true) {
    HWND hit = nullptr;
    for (HWND c : current->children) {
      if (!IsLiveWindow(c) || !c->visible) continue;
      if (local.x >= c->rect.left && local.x < c->rect.right && local.y >= c->rect.top &&
          local.y < c->rect.bottom) {
        hit = c;
        break;
      }
    }
    if (!hit) return current;
    local.x -= hit->rect.left;
    local.y -= hit->rect.top;
    current = hit;
  }
}

namespace {

std::deque<WndClassInfo>& Classes() {
  static std::deque<WndClassInfo> classes;
  return classes;
}

const WndClassInfo* DefaultClass() {
  static WndClassInfo cls = [] {
    WndClassInfo c;
    c.name = "";
    c.cursor = StandardCursorHandle(StandardCursor::Arrow);
    return c;
  }();
  return &cls;
}

const WndClassInfo* FindClass(const std::string& name) {
  for (const auto& c : Classes()) {
    if (c.name == name) return &c;
  }
  return DefaultClass();
}

void AddUpdate(HWND h, const pixman_region32_t* region, bool erase) {
  pixman_region32_union(&h->update, &h->update, const_cast<pixman_region32_t*>(region));
  const int w = h->rect.right - h->rect.left;
  const int ht = h->rect.bottom - h->rect.top;
  pixman_region32_t bounds;
  pixman_region32_init_rect(&bounds, 0, 0, static_cast<unsigned>(std::max(0, w)),
                            static_cast<unsigned>(std::max(0, ht)));
  pixman_region32_intersect(&h->update, &h->update, &bounds);
  pixman_region32_fini(&bounds);
  if (erase && pixman_region32_not_empty(&h->update)) h->erase = true;
}

// Invalidates region (client coordinates of h) in h and, since no window clips
// its children, in every descendant it overlaps.
void InvalidateTree(HWND h, const pixman_region32_t* region, bool erase) {
  AddUpdate(h, region, erase);
  for (HWND c : h->children) {
    if (!IsLiveWindow(c)) continue;
    pixman_region32_t r;
    pixman_region32_init(&r);
    pixman_region32_copy(&r, const_cast<pixman_region32_t*>(region));
    pixman_region32_translate(&r, -c->rect.left, -c->rect.top);
    InvalidateTree(c, &r, erase);
    pixman_region32_fini(&r);
  }
}

void InvalidateWhole(HWND h, bool erase) {
  pixman_region32_t r;
  pixman_region32_init_rect(&r, 0, 0,
                            static_cast<unsigned>(std::max(0, h->rect.right - h->rect.left)),
                            static_cast<unsigned>(std::max(0, h->rect.bottom - h->rect.top)));
  InvalidateTree(h, &r, erase);
  pixman_region32_fini(&r);
}

std::string InstanceScope() { return CurrentPlatform().InstanceScope(); }

void Publish(HWND h) {
  if (!h->child && !h->title.empty()) PublishTitle(InstanceScope(), h->title);
}

void Withdraw(HWND h) {
  if (h->child || h->title.empty()) return;
  for (HWND other : RT().windows) {
    if (other != h && !other->child && other->title == h->title) return;
  }
  WithdrawTitle(h->title);
}

HWND FindLocal(const std::string& title) {
  for (HWND h : RT().windows) {
    if (!h->child && h->title == title && !h->destroying) return h;
  }
  return nullptr;
}

HWND BySerial(std::uint64_t serial) {
  for (HWND h : RT().windows) {
    if (h->serial == serial) return h;
  }
  return nullptr;
}

// A stand-in for a window of another copy of the program.
HWND RemoteProxy(const std::string& title, std::uint64_t id) {
  for (auto& [h, w] : RT().temporaries) {
    if (h->remote && h->remoteId == id && h->title == title) return h;
  }
  HWND h = new WndState;
  h->remote = true;
  h->remoteId = id;
  h->title = title;
  auto wrapper = std::make_unique<CWnd>();
  wrapper->m_hWnd = h;
  h->object = wrapper.get();
  RT().live.insert(h);
  RT().temporaries[h] = std::move(wrapper);
  return h;
}

std::string AskRemote(HWND h, const char* command) {
  std::string reply;
  if (!AskInstance(InstanceScope(), h->title, command, h->remoteId, &reply)) return "";
  return reply;
}

void SendFocusChange(HWND oldFocus, HWND newFocus) {
  if (IsLiveWindow(oldFocus)) {
    SendMessage(oldFocus, WM_KILLFOCUS, reinterpret_cast<WPARAM>(newFocus), 0);
  }
  if (IsLiveWindow(newFocus) && RT().focus == newFocus) {
    SendMessage(newFocus, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldFocus), 0);
  }
}

void NoteActive(HWND top) {
  RT().active = top;
  if (IsLiveWindow(top) && top->owner) {
    for (HWND o = top->owner; IsLiveWindow(o); o = o->owner) o->lastActivePopup = top;
  }
}

}  // namespace

// Answers another copy's requests about our windows.
std::string HandleInstanceRequest(const InstanceRequest& r) {
  if (r.command == "FIND") {
    HWND found = FindLocal(r.title);
    return std::to_string(found ? found->serial : 0);
  }
  HWND h = BySerial(r.window);
  if (!IsLiveWindow(h)) return "0";
  if (r.command == "POPUP") {
    CWnd* popup = CWnd::FromHandle(h)->GetLastActivePopup();
    return std::to_string(popup && popup->m_hWnd ? popup->m_hWnd->serial : h->serial);
  }
  if (r.command == "ICONIC") return IsIconic(h) ? "1" : "0";
  if (r.command == "RESTORE") {
    ShowWindow(h, SW_RESTORE);
    return "OK";
  }
  if (r.command == "FOCUS") {
    ::SetFocus(h);
    return "OK";
  }
  if (r.command == "FOREGROUND") {
    CWnd::FromHandle(h)->SetForegroundWindow();
    return "OK";
  }
  return "0";
}

}  // namespace fw

using fw::RT;

// --- window classes

LPCTSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  for (const auto& c : fw::Classes()) {
    if (c.style == classStyle && c.cursor == cursor && c.background == background &&
        c.icon == icon) {
      return c.name.c_str();
    }
  }
  fw::WndClassInfo info;
  info.name = "Afx:" + std::to_string(fw::Classes().size()) + ":" + std::to_string(classStyle);
  info.style = classStyle;
  info.cursor = cursor;
  info.background = background;
  info.icon = icon;
  fw::Classes().push_back(info);
  return fw::Classes().back().name.c_str();
}

// --- flat calls

BOOL IsWindow(HWND window) { return fw::IsLiveWindow(window); }

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (!IsWindow(window)) return FALSE;
  if (!rect) {
    fw::InvalidateWhole(window, erase);
    return TRUE;
  }
  if (rect->right <= rect->left || rect->bottom <= rect->top) return TRUE;
  pixman_region32_t r;
  pixman_region32_init_rect(&r, rect->left, rect->top,
                            static_cast<unsigned>(rect->right - rect->left),
                            static_cast<unsigned>(rect->bottom - rect->top));
  fw::InvalidateTree(window, &r, erase);
  pixman_region32_fini(&r);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  if (!IsWindow(window)) return FALSE;
  if (!rect) {
    pixman_region32_clear(&window->update);
  } else if (rect->right > rect->left && rect->bottom > rect->top) {
    pixman_region32_t r;
    pixman_region32_init_rect(&r, rect->left, rect->top,
                              static_cast<unsigned>(rect->right - rect->left),
                              static_cast<unsigned>(rect->bottom - rect->top));
    pixman_region32_subtract(&window->update, &window->update, &r);
    pixman_region32_fini(&r);
  }
  if (!pixman_region32_not_empty(&window->update)) window->erase = false;
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  if (fw::IsShown(window) && pixman_region32_not_empty(&window->update)) {
    SendMessage(window, WM_PAINT, 0, 0);
  }
  fw::PresentWindow(window);
  return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  if (!IsWindow(window) || !paint) return nullptr;
  HDC dc = GetDC(window);
  // The paint context reaches only what needed painting.
  pixman_region32_t upd;
  pixman_region32_init(&upd);
  pixman_region32_copy(&upd, &window->update);
  const pixman_box32_t* e = pixman_region32_extents(&upd);
  paint->rcPaint = pixman_region32_not_empty(&upd) ? RECT{e->x1, e->y1, e->x2, e->y2} : RECT{};
  POINT o = fw::OriginInTopLevel(window);
  pixman_region32_translate(&upd, o.x, o.y);
  pixman_region32_intersect(&dc->visible, &dc->visible, &upd);
  pixman_region32_fini(&upd);
  const bool erase = window->erase;
  pixman_region32_clear(&window->update);
  window->erase = false;
  paint->hdc = dc;
  paint->fErase = FALSE;
  if (erase)
    paint->fErase = SendMessage(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (paint && paint->hdc) ReleaseDC(window, paint->hdc);
  return TRUE;
}

HWND GetActiveWindow() { return fw::IsLiveWindow(RT().active) ? RT().active : nullptr; }

HWND GetFocus() { return fw::IsLiveWindow(RT().focus) ? RT().focus : nullptr; }

HWND SetFocus(HWND window) {
  HWND old = GetFocus();
  if (window && window->remote) {
    fw::AskRemote(window, "FOCUS");
    return old;
  }
  if (!IsWindow(window)) return old;
  if (!window->enabled) return old;
  HWND top = fw::TopLevelOf(window);
  if (GetActiveWindow() != top) {
    fw::NoteActive(top);
    if (top->native != fw::kNoNativeWindow && top->visible) {
      fw::CurrentPlatform().Activate(top->native);
    }
  }
  if (old == window) return old;
  RT().focus = window;
  fw::SendFocusChange(old, window);
  return old;
}

BOOL IsIconic(HWND window) {
  if (window && window->remote) return fw::AskRemote(window, "ICONIC") == "1";
  if (!IsWindow(window)) return FALSE;
  HWND top = fw::TopLevelOf(window);
  if (top != window) return FALSE;
  return top->minimized ||
         (top->native != fw::kNoNativeWindow && fw::CurrentPlatform().IsMinimized(top->native));
}

BOOL EnableWindow(HWND window, BOOL enable) {
  CWnd* w = CWnd::FromHandle(window);
  return w ? w->EnableWindow(enable) : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
  if (window && window->remote) {
    if (command == SW_RESTORE) fw::AskRemote(window, "RESTORE");
    return TRUE;
  }
  if (!IsWindow(window)) return FALSE;
  const BOOL wasVisible = window->visible;
  const bool show = command != SW_HIDE;
  if (window->child) {
    if (show == window->visible) return wasVisible;
    window->visible = show;
    SendMessage(window, WM_SHOWWINDOW, show, 0);
    if (show) {
      fw::InvalidateWhole(window, true);
    } else if (IsWindow(window->parent)) {
      InvalidateRect(window->parent, &window->rect, TRUE);
    }
    return wasVisible;
  }
  fw::Platform& platform = fw::CurrentPlatform();
  switch (command) {
    case SW_HIDE:
      window->visible = false;
      platform.ShowTopLevel(window->native, SW_HIDE);
      SendMessage(window, WM_SHOWWINDOW, FALSE, 0);
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      window->minimized = true;
      platform.ShowTopLevel(window->native, command);
      return wasVisible;
    case SW_SHOWMAXIMIZED: {
      const SIZE screen = platform.LogicalScreenSize();
      const int w = window->rect.right - window->rect.left;
      const int h = window->rect.bottom - window->rect.top;
      window->rect = RECT{0, 0, screen.cx, screen.cy};
      if (w != screen.cx || h != screen.cy) window->surface->Resize(screen.cx, screen.cy);
      break;
    }
    default:
      break;
  }
  window->minimized = false;
  window->visible = true;
  if (!wasVisible) SendMessage(window, WM_SHOWWINDOW, TRUE, 0);
  platform.ShowTopLevel(window->native, command);
  fw::InvalidateWhole(window, true);
  // A window coming up shows all of itself, whatever gets painted.
  if (window->shown) window->shown->DamageAll();
  if (window->enabled) {
    fw::NoteActive(window);
    platform.Activate(window->native);
    HWND f = GetFocus();
    if (!f || fw::TopLevelOf(f) != window) {
      RT().focus = window;
      fw::SendFocusChange(f, window);
    }
  }
  return wasVisible;
}

// --- CWnd

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd && fw::IsLiveWindow(m_hWnd)) {
    HWND h = m_hWnd;
    DestroyWindow();
    if (fw::IsLiveWindow(h)) h->object = nullptr;
  }
  m_hWnd = nullptr;
}

BOOL CWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, CCreateContext* /*context*/) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<std::intptr_t>(static_cast<int>(id))));
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU idOrMenu, LPVOID param) {
  CREATESTRUCT cs;
  cs.dwExStyle = exStyle;
  cs.lpszClass = className ? className : "";
  cs.lpszName = windowName ? windowName : "";
  cs.style = static_cast<LONG>(style);
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.hwndParent = parent;
  cs.hMenu = idOrMenu;
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) return FALSE;

  const DWORD finalStyle = static_cast<DWORD>(cs.style);
  const bool child = (finalStyle & WS_CHILD) != 0;
  if (child && !fw::IsLiveWindow(cs.hwndParent)) return FALSE;

  HWND h = new fw::WndState;
  h->object = this;
  h->cls = fw::FindClass(cs.lpszClass);
  h->child = child;
  h->style = finalStyle & ~WS_VISIBLE;
  h->exStyle = cs.dwExStyle;
  h->title = cs.lpszName;
  h->serial = RT().nextSerial++;
  if (child) {
    h->parent = cs.hwndParent;
    h->id = static_cast<int>(reinterpret_cast<std::intptr_t>(cs.hMenu));
    h->rect = RECT{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
  } else {
    h->owner = cs.hwndParent ? fw::TopLevelOf(cs.hwndParent) : nullptr;
    const SIZE screen = fw::CurrentPlatform().LogicalScreenSize();
    int wx = cs.x, wy = cs.y, ww = cs.cx, wh = cs.cy;
    const bool fullScreen = cs.x == CW_USEDEFAULT || cs.cx == CW_USEDEFAULT;
    if (fullScreen) {
      wx = 0;
      wy = 0;
      ww = screen.cx;
      wh = screen.cy;
    }
    h->rect = RECT{wx, wy, wx + ww, wy + wh};
    h->surface = std::make_unique<fw::Surface>();
    if (!h->surface->Resize(std::max(0, ww), std::max(0, wh))) {
      delete h;
      return FALSE;
    }
    fw::TopLevelDesc desc;
    desc.x = wx;
    desc.y = wy;
    desc.width = ww;
    desc.height = wh;
    desc.title = h->title;
    desc.decorated = (finalStyle & WS_CAPTION) == WS_CAPTION;
    desc.fullScreen = fullScreen;
    desc.owner = h->owner ? h->owner->native : fw::kNoNativeWindow;
    h->native = fw::CurrentPlatform().CreateTopLevel(desc);
    h->shown = std::make_unique<fw::ShownWindow>(*h->surface, h->native);
    RT().byNative[h->native] = h;
  }
  RT().windows.push_back(h);
  RT().live.insert(h);
  if (child) h->parent->children.push_back(h);
  m_hWnd = h;
  fw::Publish(h);

  if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (!fw::IsLiveWindow(h)) return FALSE;
  if (finalStyle & WS_VISIBLE) ShowWindow(SW_SHOW);
  return TRUE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& /*cs*/) { return TRUE; }

void CWnd::PostNcDestroy() {}

BOOL CWnd::DestroyWindow() {
  HWND h = m_hWnd;
  if (!fw::IsLiveWindow(h) || h->destroying) return FALSE;
  h->destroying = true;
  // Owned pop-ups go first, as the owner takes them with it.
  for (HWND w : std::vector<HWND>(RT().windows)) {
    if (fw::IsLiveWindow(w) && !w->child && w->owner == h && !w->destroying) {
      if (w->object) {
        w->object->DestroyWindow();
      }
    }
  }
  SendMessage(WM_DESTROY);
  for (HWND c : std::vector<HWND>(h->children)) {
    if (fw::IsLiveWindow(c) && !c->destroying && c->object) c->object->DestroyWindow();
  }
  if (RT().focus == h) RT().focus = nullptr;
  if (RT().active == h) RT().active = h->owner && fw::IsLiveWindow(h->owner) ? h->owner : nullptr;
  auto& timers = RT().timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [h](const fw::Timer& t) { return t.window == h; }),
               timers.end());
  auto& posted = RT().posted;
  posted.erase(
      std::remove_if(posted.begin(), posted.end(), [h](const MSG& m) { return m.hwnd == h; }),
      posted.end());
  SendMessage(WM_NCDESTROY);
  // The object may be gone now (PostNcDestroy of a frame deletes it).
  fw::Withdraw(h);
  h->shown.reset();
  if (h->parent) {
    auto& sib = h->parent->children;
    sib.erase(std::remove(sib.begin(), sib.end(), h), sib.end());
  }
  if (!h->child && h->native != fw::kNoNativeWindow) {
    RT().byNative.erase(h->native);
    fw::CurrentPlatform().DestroyTopLevel(h->native);
  }
  auto& wins = RT().windows;
  wins.erase(std::remove(wins.begin(), wins.end(), h), wins.end());
  RT().live.erase(h);
  for (HWND w : RT().windows) {
    if (w->lastActivePopup == h) w->lastActivePopup = nullptr;
    if (w->owner == h) w->owner = nullptr;
  }
  delete h;
  return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto point = [lParam] {
    return CPoint(static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam))),
                  static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lParam))));
  };
  const UINT flags = static_cast<UINT>(wParam);
  switch (message) {
    case WM_CREATE:
      return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND: {
      CDC dc;
      dc.Attach(reinterpret_cast<HDC>(wParam));
      BOOL r = OnEraseBkgnd(&dc);
      dc.Detach();
      return r;
    }
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(flags, LOWORD(static_cast<std::uintptr_t>(lParam)),
                HIWORD(static_cast<std::uintptr_t>(lParam)));
      return 0;
    case WM_KEYUP:
      OnKeyUp(flags, LOWORD(static_cast<std::uintptr_t>(lParam)),
              HIWORD(static_cast<std::uintptr_t>(lParam)));
      return 0;
    case WM_CHAR:
      OnChar(flags, LOWORD(static_cast<std::uintptr_t>(lParam)),
             HIWORD(static_cast<std::uintptr_t>(lParam)));
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(flags, point());
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(flags, point());
      return 0;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(flags, point());
      return 0;
    case WM_RBUTTONDOWN:
      OnRButtonDown(flags, point());
      return 0;
    case WM_RBUTTONUP:
      OnRButtonUp(flags, point());
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(flags, point());
      return 0;
    case WM_MOUSEWHEEL:
      return OnMouseWheel(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), point());
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_SETFOCUS:
      OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
      return 0;
    case WM_KILLFOCUS:
      OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam)));
      return 0;
    case WM_SHOWWINDOW:
      OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
      return 0;
    case WM_COMMAND:
      if (OnCommand(wParam, lParam)) return 0;
      return DefWindowProc(message, wParam, lParam);
    default:
      return DefWindowProc(message, wParam, lParam);
  }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND h = m_hWnd;
  if (!fw::IsLiveWindow(h)) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      ::BeginPaint(h, &ps);
      ::EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      if (!h->cls || !h->cls->background) return 0;
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT r{0, 0, h->rect.right - h->rect.left, h->rect.bottom - h->rect.top};
      ::FillRect(dc, &r, h->cls->background);
      return 1;
    }
    case WM_SETCURSOR:
      ::SetCursor(h->cls ? h->cls->cursor : nullptr);
      return TRUE;
    case WM_SETICON: {
      const int which = wParam == ICON_BIG ? 1 : 0;
      HICON old = h->icons[which];
      h->icons[which] = reinterpret_cast<HICON>(lParam);
      HWND top = fw::TopLevelOf(h);
      if (h->icons[which] && top->native != fw::kNoNativeWindow) {
        fw::CurrentPlatform().SetIcon(top->native, h->icons[which]->image);
      }
      return reinterpret_cast<LRESULT>(old);
    }
    default:
      return 0;
  }
}

BOOL CWnd::OnCommand(WPARAM /*wParam*/, LPARAM /*lParam*/) { return FALSE; }
BOOL CWnd::PreTranslateMessage(MSG* /*msg*/) { return FALSE; }

LRESULT CWnd::Default() {
  const MSG& m = RT().current;
  return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() {
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    PostQuitMessage(0);
  }
  m_hWnd = nullptr;
  PostNcDestroy();
}
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnClose() { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }

CWnd* CWnd::FromHandle(HWND window) {
  if (!window || !RT().live.count(window)) return nullptr;
  if (window->object) return window->object;
  auto& slot = RT().temporaries[window];
  if (!slot) {
    slot = std::make_unique<CWnd>();
    slot->m_hWnd = window;
  }
  return slot.get();
}

CWnd* CWnd::FindWindow(LPCTSTR className, LPCTSTR windowName) {
  (void)className;  // every window of the program is matched by its title alone
  const std::string title = windowName ? windowName : "";
  if (HWND local = fw::FindLocal(title)) return FromHandle(local);
  std::string reply;
  if (!fw::AskInstance(fw::InstanceScope(), title, "FIND", 0, &reply)) return nullptr;
  const std::uint64_t id = std::strtoull(reply.c_str(), nullptr, 10);
  if (id == 0) return nullptr;
  return FromHandle(fw::RemoteProxy(title, id));
}

CWnd* CWnd::GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }

CWnd* CWnd::GetParent() const {
  if (!fw::IsLiveWindow(m_hWnd)) return nullptr;
  return FromHandle(m_hWnd->child ? m_hWnd->parent : m_hWnd->owner);
}

CWnd* CWnd::GetOwner() const {
  if (!fw::IsLiveWindow(m_hWnd)) return nullptr;
  return FromHandle(m_hWnd->owner);
}

CWnd* CWnd::GetLastActivePopup() const {
  if (m_hWnd && m_hWnd->remote) {
    const std::string reply = fw::AskRemote(m_hWnd, "POPUP");
    const std::uint64_t id = std::strtoull(reply.c_str(), nullptr, 10);
    if (id == 0 || id == m_hWnd->remoteId) return const_cast<CWnd*>(this);
    return FromHandle(fw::RemoteProxy(m_hWnd->title, id));
  }
  if (!fw::IsLiveWindow(m_hWnd)) return nullptr;
  HWND p = m_hWnd->lastActivePopup;
  if (fw::IsLiveWindow(p) && p->visible && !p->destroying) return FromHandle(p);
  return const_cast<CWnd*>(this);
}

CWnd* CWnd::GetDlgItem(int id) const {
  if (!fw::IsLiveWindow(m_hWnd)) return nullptr;
  for (HWND c : m_hWnd->children) {
    if (c->id == id) return FromHandle(c);
  }
  return nullptr;
}

int CWnd::GetDlgCtrlID() const { return fw::IsLiveWindow(m_hWnd) ? m_hWnd->id : 0; }
BOOL CWnd::IsWindowVisible() const { return fw::IsLiveWindow(m_hWnd) && fw::IsShown(m_hWnd); }
BOOL CWnd::IsWindowEnabled() const { return fw::IsLiveWindow(m_hWnd) && m_hWnd->enabled; }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
DWORD CWnd::GetStyle() const {
  if (!fw::IsLiveWindow(m_hWnd)) return 0;
  return m_hWnd->style | (m_hWnd->visible ? WS_VISIBLE : 0) | (m_hWnd->enabled ? 0 : WS_DISABLED);
}

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(const RECT* rect, BOOL erase) { ::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::ValidateRect(const RECT* rect) { ::ValidateRect(m_hWnd, rect); }
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }

BOOL CWnd::SetForegroundWindow() {
  if (m_hWnd && m_hWnd->remote) return !fw::AskRemote(m_hWnd, "FOREGROUND").empty();
  if (!fw::IsLiveWindow(m_hWnd)) return FALSE;
  HWND top = fw::TopLevelOf(m_hWnd);
  fw::NoteActive(top);
  if (top->native != fw::kNoNativeWindow) fw::CurrentPlatform().Activate(top->native);
  HWND f = ::GetFocus();
  if (!f || fw::TopLevelOf(f) != top) {
    // The keyboard goes to the window itself, or to the first control that
    // takes it.
    HWND target = top;
    RT().focus = target;
    fw::SendFocusChange(f, target);
  }
  return TRUE;
}

CWnd* CWnd::SetActiveWindow() {
  CWnd* old = GetActiveWindow();
  SetForegroundWindow();
  return old;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  if (!fw::IsLiveWindow(m_hWnd)) return FALSE;
  const BOOL wasDisabled = !m_hWnd->enabled;
  m_hWnd->enabled = enable != FALSE;
  if (!enable) {
    HWND f = ::GetFocus();
    for (HWND a = f; a; a = a->child ? a->parent : nullptr) {
      if (a == m_hWnd) {
        RT().focus = nullptr;
        break;
      }
    }
  }
  return wasDisabled;
}

void CWnd::SetWindowText(LPCTSTR text) {
  if (!fw::IsLiveWindow(m_hWnd)) return;
  const std::string t = text ? text : "";
  if (t == m_hWnd->title) return;
  fw::Withdraw(m_hWnd);
  m_hWnd->title = t;
  if (!m_hWnd->child) {
    fw::CurrentPlatform().SetTitle(m_hWnd->native, t);
    fw::Publish(m_hWnd);
  } else {
    Invalidate();
  }
}

int CWnd::GetWindowText(LPTSTR buffer, int max) const {
  if (!buffer || max <= 0) return 0;
  const std::string t = GetWindowText();
  const int n = std::min<int>(static_cast<int>(t.size()), max - 1);
  std::memcpy(buffer, t.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

std::string CWnd::GetWindowText() const {
  return (m_hWnd && RT().live.count(m_hWnd)) ? m_hWnd->title : std::string();
}

void CWnd::GetClientRect(RECT* rect) const {
  if (!rect) return;
  *rect = RECT{};
  if (!fw::IsLiveWindow(m_hWnd)) return;
  rect->right = m_hWnd->rect.right - m_hWnd->rect.left;
  rect->bottom = m_hWnd->rect.bottom - m_hWnd->rect.top;
}

void CWnd::GetWindowRect(RECT* rect) const {
  if (!rect) return;
  *rect = RECT{};
  if (!fw::IsLiveWindow(m_hWnd)) return;
  POINT tl{0, 0};
  ClientToScreen(&tl);
  *rect = RECT{tl.x, tl.y, tl.x + m_hWnd->rect.right - m_hWnd->rect.left,
               tl.y + m_hWnd->rect.bottom - m_hWnd->rect.top};
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  if (!fw::IsLiveWindow(m_hWnd)) return;
  m_hWnd->rect = RECT{x, y, x + width, y + height};
  if (!m_hWnd->child && m_hWnd->surface) {
    m_hWnd->surface->Resize(std::max(0, width), std::max(0, height));
    if (m_hWnd->shown) m_hWnd->shown->DamageAll();
  }
  if (repaint) Invalidate();
}

void CWnd::CenterWindow(CWnd*) {
  if (!fw::IsLiveWindow(m_hWnd) || m_hWnd->child) return;
  const SIZE s = fw::CurrentPlatform().LogicalScreenSize();
  const int w = m_hWnd->rect.right - m_hWnd->rect.left;
  const int h = m_hWnd->rect.bottom - m_hWnd->rect.top;
  m_hWnd->rect = RECT{(s.cx - w) / 2, (s.cy - h) / 2, (s.cx - w) / 2 + w, (s.cy - h) / 2 + h};
}

void CWnd::ClientToScreen(POINT* point) const {
  if (!point || !fw::IsLiveWindow(m_hWnd)) return;
  POINT o = fw::OriginInTopLevel(m_hWnd);
  HWND top = fw::TopLevelOf(m_hWnd);
  point->x += o.x + top->rect.left;
  point->y += o.y + top->rect.top;
}

void CWnd::ScreenToClient(POINT* point) const {
  if (!point || !fw::IsLiveWindow(m_hWnd)) return;
  POINT o = fw::OriginInTopLevel(m_hWnd);
  HWND top = fw::TopLevelOf(m_hWnd);
  point->x -= o.x + top->rect.left;
  point->y -= o.y + top->rect.top;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, void (*)(HWND, UINT, UINT_PTR, DWORD)) {
  if (!fw::IsLiveWindow(m_hWnd)) return 0;
  KillTimer(id);
  fw::Timer t;
  t.window = m_hWnd;
  t.id = id;
  t.period = elapse == 0 ? 1 : elapse;
  t.due = GetTickCount() + t.period;
  RT().timers.push_back(t);
  return id == 0 ? 1 : id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
  auto& timers = RT().timers;
  auto it = std::remove_if(timers.begin(), timers.end(), [this, id](const fw::Timer& t) {
    return t.window == m_hWnd && t.id == id;
  });
  const bool found = it != timers.end();
  timers.erase(it, timers.end());
  return found;
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

CDC* CWnd::GetDC() {
  HDC h = ::GetDC(m_hWnd);
  if (!h) return nullptr;
  auto* dc = new CDC;
  dc->Attach(h);
  return dc;
}

int CWnd::ReleaseDC(CDC* dc) {
  if (!dc) return 0;
  ::ReleaseDC(m_hWnd, dc->Detach());
  delete dc;
  return 1;
}

CDC* CWnd::BeginPaint(PAINTSTRUCT* paint) {
  HDC h = ::BeginPaint(m_hWnd, paint);
  if (!h) return nullptr;
  auto* dc = new CDC;
  dc->Attach(h);
  return dc;
}

void CWnd::EndPaint(PAINTSTRUCT* paint) { ::EndPaint(m_hWnd, paint); }

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
  return ::MessageBox(m_hWnd, text, caption, type);
}

// --- CFrameWnd

CFrameWnd::~CFrameWnd() = default;

BOOL CFrameWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                       CWnd* parent, LPCTSTR /*menuName*/, DWORD exStyle,
                       CCreateContext* /*context*/) {
  const bool useDefault = rect.left == CW_USEDEFAULT;
  return CreateEx(exStyle, className, windowName, style, useDefault ? CW_USEDEFAULT : rect.left,
                  useDefault ? CW_USEDEFAULT : rect.top,
                  useDefault ? CW_USEDEFAULT : rect.right - rect.left,
                  useDefault ? CW_USEDEFAULT : rect.bottom - rect.top,
                  parent ? parent->m_hWnd : nullptr, nullptr);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  // The framework's frames carry a sunken client edge.
  cs.dwExStyle |= WS_EX_CLIENTEDGE;
  return TRUE;
}

void CFrameWnd::PostNcDestroy() { delete this; }

void CFrameWnd::OnClose() { DestroyWindow(); }
