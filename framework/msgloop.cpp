// The message queue: posted messages, queued input, paint and timer messages,
// dispatching, modal loops, and the clock.
#include <algorithm>
#include <cstdlib>

#include "framework/instance.h"
#include "framework/kernel.h"
#include "framework/resources.h"
#include "framework/runtime.h"
#include "framework/showing.h"
#include "framework/wnd.h"
#include "framework/wnd_internal.h"

namespace fw {

std::string HandleInstanceRequest(const InstanceRequest& r);

Runtime& RT() {
  static Runtime runtime;
  return runtime;
}

void ResetRuntime() {
  WithdrawAllTitles();
  Runtime& rt = RT();
  for (HWND h : std::vector<HWND>(rt.windows)) {
    if (!rt.live.count(h)) continue;
    if (h->object) h->object->m_hWnd = nullptr;
    delete h;
  }
  std::vector<HWND> proxies;
  for (auto& [h, w] : rt.temporaries) {
    w->m_hWnd = nullptr;
    if (h->remote) proxies.push_back(h);
  }
  rt.temporaries.clear();
  for (HWND h : proxies) delete h;
  rt.~Runtime();
  new (&rt) Runtime();
}

namespace {

void ApplyCursor() {
  Runtime& rt = RT();
  if (rt.cursor == rt.shownCursor) return;
  rt.shownCursor = rt.cursor;
  HCURSOR c = rt.cursor;
  if (!c || c->standard) {
    CurrentPlatform().SetCursor(nullptr);
  } else {
    CurrentPlatform().SetCursor(&c->image);
  }
}

bool InWindow(HWND inner, HWND outer) {
  for (HWND a = inner; a; a = a->child ? a->parent : nullptr) {
    if (a == outer) return true;
    if (!a->child) break;
  }
  return false;
}

bool EnabledChain(HWND h) {
  for (HWND a = h; a; a = a->child ? a->parent : nullptr) {
    if (!a->enabled) return false;
    if (!a->child) break;
  }
  return true;
}

void FocusTopLevel(HWND top) {
  HWND f = GetFocus();
  if (f && InWindow(f, top)) return;
  RT().focus = top;
  if (IsLiveWindow(f)) SendMessage(f, WM_KILLFOCUS, reinterpret_cast<WPARAM>(top), 0);
  SendMessage(top, WM_SETFOCUS, reinterpret_cast<WPARAM>(f), 0);
}

void Activate(HWND top) {
  if (GetActiveWindow() == top) return;
  RT().active = top;
  for (HWND o = top->owner; IsLiveWindow(o); o = o->owner) o->lastActivePopup = top;
  CurrentPlatform().Activate(top->native);
}

// Turns one piece of input into the message it makes, or drops it.
bool Convert(const InputEvent& e, MSG* out) {
  Runtime& rt = RT();
  auto it = rt.byNative.find(e.window);
  if (it == rt.byNative.end() || !IsLiveWindow(it->second)) return false;
  HWND top = it->second;
  if (e.kind != InputKind::Expose && e.kind != InputKind::FocusGained) rt.modifiers = e.modifiers;
  if (e.kind == InputKind::KeyDown || e.kind == InputKind::KeyUp) {
    const UINT bit = e.vk == VK_SHIFT ? MK_SHIFT : (e.vk == VK_CONTROL ? MK_CONTROL : 0);
    if (bit)
      rt.modifiers = e.kind == InputKind::KeyDown ? (rt.modifiers | bit) : (rt.modifiers & ~bit);
  }
  *out = MSG{};
  out->time = e.time;
  out->pt = POINT{top->rect.left + e.x, top->rect.top + e.y};
  switch (e.kind) {
    case InputKind::Close:
      if (!top->enabled) return false;
      out->hwnd = top;
      out->message = WM_CLOSE;
      return true;
    case InputKind::Expose:
      InvalidateRect(top, &e.exposed, TRUE);
      return false;
    case InputKind::FocusGained:
      if (!top->enabled) return false;
      RT().active = top;
      for (HWND o = top->owner; IsLiveWindow(o); o = o->owner) o->lastActivePopup = top;
      FocusTopLevel(top);
      return false;
    case InputKind::Quit:
      rt.sessionEnded = true;
      return false;
    case InputKind::KeyDown:
    case InputKind::KeyUp: {
      HWND target = GetFocus();
      if (!target || !InWindow(target, top)) target = top;
      if (!EnabledChain(target)) return false;
      out->hwnd = target;
      out->wParam = e.vk;
      const bool down = e.kind == InputKind::KeyDown;
      out->message = down ? WM_KEYDOWN : WM_KEYUP;
      DWORD l = 1;
      if (!down) l |= 0xC0000000u;
      if (down && e.repeat) l |= 0x40000000u;
      out->lParam = static_cast<LPARAM>(l);
      return true;
    }
    case InputKind::MouseMove:
    case InputKind::MouseDown:
    case InputKind::MouseUp: {
      if (!top->visible || !top->enabled) return false;
      HWND target = WindowFromTopLevelPoint(top, POINT{e.x, e.y});
      if (!EnabledChain(target)) return false;
      const POINT o = OriginInTopLevel(target);
      const int lx = e.x - o.x;
      const int ly = e.y - o.y;
      if (e.kind != InputKind::MouseUp) {
        SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), 0);
      }
      out->hwnd = target;
      out->wParam = e.buttons | e.modifiers;
      out->lParam = MAKELPARAM(lx, ly);
      if (e.kind == InputKind::MouseMove) {
        out->message = WM_MOUSEMOVE;
        return true;
      }
      const bool down = e.kind == InputKind::MouseDown;
      switch (e.button) {
        case MouseButton::Left:
          out->message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
          break;
        case MouseButton::Right:
          out->message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
          break;
        case MouseButton::Middle:
          out->message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
          break;
        default:
          return false;
      }
      if (down) {
        Activate(top);
        FocusTopLevel(top);
        // A second press soon after the first, in the same place, is a double
        // click for windows whose class asks for them.
        const bool dbl =
            !rt.lastPressWasDouble && rt.lastPressWindow == target &&
            rt.lastPressMessage == out->message &&
            e.time - rt.lastPressTime <= GetDoubleClickTime() &&
            std::abs(e.x - rt.lastPressPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
            std::abs(e.y - rt.lastPressPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        rt.lastPressWindow = target;
        rt.lastPressMessage = out->message;
        rt.lastPressTime = e.time;
        rt.lastPressPoint = POINT{e.x, e.y};
        rt.lastPressWasDouble = false;
        if (dbl && target->cls && (target->cls->style & CS_DBLCLKS)) {
          out->message += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
          rt.lastPressWasDouble = true;
        }
      }
      return true;
    }
  }
  return false;
}

HWND FindPaint(HWND h) {
  if (!IsLiveWindow(h) || !h->visible) return nullptr;
  if (pixman_region32_not_empty(&h->update)) return h;
  for (HWND c : h->children) {
    if (HWND p = FindPaint(c)) return p;
  }
  return nullptr;
}

bool NextTimer(MSG* out) {
  Runtime& rt = RT();
  const DWORD now = GetTickCount();
  Timer* best = nullptr;
  for (Timer& t : rt.timers) {
    if (!IsLiveWindow(t.window)) continue;
    if (static_cast<int32_t>(now - t.due) < 0) continue;
    if (!best || static_cast<int32_t>(t.due - best->due) < 0) best = &t;
  }
  if (!best) return false;
  best->due = now + best->period;
  *out = MSG{};
  out->hwnd = best->window;
  out->message = WM_TIMER;
  out->wParam = best->id;
  out->time = now;
  return true;
}

int MsUntilTimer() {
  const DWORD now = GetTickCount();
  int best = -1;
  for (const Timer& t : RT().timers) {
    if (!IsLiveWindow(t.window)) continue;
    int left = static_cast<int32_t>(t.due - now);
    if (left < 0) left = 0;
    if (best < 0 || left < best) best = left;
  }
  return best;
}

}  // namespace

bool GetNextMessage(MSG* msg) {
  Runtime& rt = RT();
  while (true) {
    ServeInstanceRequests(HandleInstanceRequest);
    if (!rt.posted.empty()) {
      *msg = rt.posted.front();
      rt.posted.pop_front();
      if (!IsLiveWindow(msg->hwnd)) continue;
      return true;
    }
    if (rt.quitPosted || rt.sessionEnded) return false;
    if (!rt.input.empty()) {
      InputEvent e = rt.input.front();
      rt.input.pop_front();
      if (Convert(e, msg)) return true;
      continue;
    }
    for (HWND top : TopLevelWindows()) {
      if (HWND p = FindPaint(top)) {
        *msg = MSG{};
        msg->hwnd = p;
        msg->message = WM_PAINT;
        msg->time = GetTickCount();
        return true;
      }
    }
    if (NextTimer(msg)) return true;
    ShowAllDamaged();
    ApplyCursor();
    // Showing what was drawn takes in the input made meanwhile (a click just
    // after the move that lit a button); waiting now would leave it in the
    // queue until the next input or timer.
    if (!rt.input.empty() || !rt.posted.empty()) continue;
    if (!CurrentPlatform().WaitForInput(MsUntilTimer(), rt) && rt.input.empty() &&
        rt.posted.empty()) {
      rt.sessionEnded = true;
    }
  }
}

void Dispatch(const MSG& msg) {
  Runtime& rt = RT();
  if (!IsLiveWindow(msg.hwnd)) return;
  const MSG saved = rt.current;
  rt.current = msg;
  if (CWnd* w = msg.hwnd->object) {
    w->WindowProc(msg.message, msg.wParam, msg.lParam);
  } else if (msg.message == WM_PAINT) {
    ValidateRect(msg.hwnd, nullptr);
  }
  rt.current = saved;
  ApplyCursor();
}

bool PreTranslate(MSG* msg) {
  for (HWND h = msg->hwnd; IsLiveWindow(h); h = h->child ? h->parent : nullptr) {
    if (h->object && h->object->PreTranslateMessage(msg)) return true;
    if (!h->child) break;
  }
  return false;
}

}  // namespace fw

using fw::RT;

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!fw::IsLiveWindow(window)) return FALSE;
  MSG m;
  m.hwnd = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  RT().posted.push_back(m);
  return TRUE;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!fw::IsLiveWindow(window)) return 0;
  fw::Runtime& rt = RT();
  const MSG saved = rt.current;
  MSG m = saved;
  m.hwnd = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  rt.current = m;
  LRESULT r = 0;
  if (CWnd* w = window->object) {
    r = w->WindowProc(message, wParam, lParam);
  } else if (message == WM_PAINT) {
    ValidateRect(window, nullptr);
  }
  rt.current = saved;
  return r;
}

void PostQuitMessage(int exitCode) {
  RT().quitPosted = true;
  RT().quitCode = exitCode;
}

DWORD GetMessageTime() { return RT().current.time; }

DWORD GetTickCount() { return fw::CurrentPlatform().TickCount(); }

void Sleep(DWORD milliseconds) {
  fw::ShowAllDamaged();
  fw::ApplyCursor();
  fw::CurrentPlatform().Sleep(milliseconds, RT());
}

void ExitProcess(UINT code) {
  fw::CurrentPlatform().ExitProcess(static_cast<int>(code));
  std::abort();  // a platform's ExitProcess never comes back
}

int GetSystemMetrics(int index) {
  const SIZE s = fw::CurrentPlatform().LogicalScreenSize();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return s.cx;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
      return s.cy;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    default:
      return 0;
  }
}

UINT GetDoubleClickTime() { return 500; }

SHORT GetKeyState(int virtualKey) {
  const UINT m = RT().modifiers;
  const bool down = (virtualKey == static_cast<int>(VK_SHIFT) && (m & MK_SHIFT)) ||
                    (virtualKey == static_cast<int>(VK_CONTROL) && (m & MK_CONTROL));
  return down ? static_cast<SHORT>(0x8000) : 0;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = RT().cursor;
  RT().cursor = cursor;
  return old;
}

int CWnd::RunModalLoop(DWORD /*flags*/) {
  HWND self = m_hWnd;
  m_bModalContinue = true;
  m_bInModalLoop = true;
  while (m_bModalContinue && fw::IsLiveWindow(self)) {
    MSG msg;
    if (!fw::GetNextMessage(&msg)) break;  // a quit stays posted for the outer loop
    if (!fw::PreTranslate(&msg)) fw::Dispatch(msg);
  }
  if (fw::IsLiveWindow(self)) m_bInModalLoop = false;
  return m_nModalResult;
}

void CWnd::EndModalLoop(int result) {
  m_nModalResult = result;
  m_bModalContinue = false;
}

BOOL CWnd::ContinueModal() const { return m_bModalContinue; }
