#include "screen/main_screen.h"

#include "app/about_box.h"
#include "app/exit_confirmation.h"
#include "framework/app.h"

int CMainScreen::s_nCtrlDown = 0;

CMainScreen::CMainScreen() = default;
CMainScreen::~CMainScreen() = default;

int CMainScreen::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  const int x0 = (GetSystemMetrics(SM_CXFULLSCREEN) - 640) / 2;
  const int y0 = (GetSystemMetrics(SM_CYFULLSCREEN) - 480) / 2;
  LPCTSTR cls = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                    AfxGetApp()->LoadStandardCursor(IDC_CROSS), nullptr, nullptr);
  m_pageView.Create(cls, "", WS_CHILD | WS_VISIBLE, CRect(x0 + 50, y0 + 60, x0 + 640, y0 + 500),
                    GetParent(), static_cast<UINT>(-1));
  return 0;
}

void CMainScreen::OnPaint() {
  CPaintDC paint(this);
  CClientDC dc(this);
  RECT r;
  GetClientRect(&r);
  dc.FillSolidRect(&r, RGB(0, 0, 0));
}

void CMainScreen::OnKeyDown(UINT nChar, UINT, UINT) {
  if (nChar == VK_CONTROL) s_nCtrlDown = 1;
  if (s_nCtrlDown == 1 && nChar == 'C') {
    CopyOrPrint(1);
    s_nCtrlDown = 0;
  }
  if (s_nCtrlDown == 1 && nChar == 'P') {
    CopyOrPrint(2);
    s_nCtrlDown = 0;
  }
  if (nChar == VK_ESCAPE && app::ConfirmExit()) app::RunCloseSequence(this);
  if (nChar == VK_F1) {
    CAboutBox about;
    about.DoModal();
  }
  Default();
}

void CMainScreen::OnKeyUp(UINT nChar, UINT, UINT) {
  if (nChar == VK_CONTROL) s_nCtrlDown = 0;
  Default();
}

void CMainScreen::OnLButtonDown(UINT, CPoint) {
  SetFocus();
  Default();
}

void CMainScreen::OnLButtonUp(UINT, CPoint) {
  ++m_nButtonUps;
  Default();
}

void CMainScreen::CopyOrPrint(int what) {
  if (what == 1) m_pageView.CopyToClipboard();
  if (what == 2) m_pageView.PrintPage();
}
