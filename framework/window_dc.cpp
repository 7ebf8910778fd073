// Device contexts of windows: where the window tree hands drawing its surface,
// its place in it and the window's showing.
#include "framework/dc.h"
#include "framework/wnd.h"
#include "framework/wnd_internal.h"

HDC GetDC(HWND window) {
  if (!IsWindow(window)) return nullptr;
  auto* dc = new fw::DCState;
  dc->kind = fw::DCState::Kind::Window;
  dc->target = fw::WindowSurface(window);
  dc->shown = fw::WindowShowing(window);
  dc->origin = fw::OriginInTopLevel(window);
  fw::WindowDrawRegion(window, &dc->visible);
  return dc;
}

CClientDC::CClientDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) {
  Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(m_hWnd, Detach());
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) {
  Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
  m_hDC = nullptr;
}
