#include "app/main_frame.h"

#include "app/about_box.h"
#include "framework/app.h"

int CMainFrame::s_nCtrlDown = 0;

namespace {

constexpr COLORREF kFrameBlue = RGB(0, 0, 100);

// The frame's background brush lives as long as the program.
HBRUSH FrameBrush() {
  static HBRUSH brush = CreateSolidBrush(kFrameBlue);
  return brush;
}

}  // namespace

CMainFrame::CMainFrame() {
  LPCTSTR cls =
      AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                          AfxGetApp()->LoadStandardCursor(IDC_ARROW), FrameBrush(), nullptr);
  Create(cls, "", WS_OVERLAPPEDWINDOW, rectDefault, nullptr, nullptr, 0);
}

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  cs.style = static_cast<LONG>(WS_POPUP | WS_MAXIMIZEBOX);
  return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(LPCREATESTRUCT) {
  LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                                    AfxGetApp()->LoadStandardCursor(IDC_ARROW), nullptr, nullptr);
  const int x0 = (GetSystemMetrics(SM_CXFULLSCREEN) - 640) / 2;
  const int y0 = (GetSystemMetrics(SM_CYFULLSCREEN) - 480) / 2;
  const CRect rect(x0, y0 + 20, x0 + 640, y0 + 500);
  // A main screen that cannot be made leaves the frame going on all the same.
  m_mainScreen.Create(cls, "", 0x50000008, rect, this, static_cast<UINT>(-1));
  return 0;
}

void CMainFrame::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (nChar == VK_CONTROL) s_nCtrlDown = 1;
  if (s_nCtrlDown == 1 && nChar == 'C') {
    m_mainScreen.CopyOrPrint(1);
    s_nCtrlDown = 0;
  }
  if (s_nCtrlDown == 1 && nChar == 'P') {
    m_mainScreen.CopyOrPrint(2);
    s_nCtrlDown = 0;
  }
  if (nChar == VK_F1) {
    CAboutBox about(this);
    about.DoModal();
  }
  if (nChar == VK_ESCAPE) m_mainScreen.OnKeyDown(nChar, nRepCnt, nFlags);
  Default();
}

void CMainFrame::OnKeyUp(UINT nChar, UINT, UINT) {
  if (nChar == VK_CONTROL) s_nCtrlDown = 0;
  Default();
}

void CMainFrame::OnLButtonUp(UINT nFlags, CPoint point) {
  m_mainScreen.OnLButtonUp(nFlags, point);
  Default();
}

void CMainFrame::OnMouseMove(UINT, CPoint) { Default(); }
