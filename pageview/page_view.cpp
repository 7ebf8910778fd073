#include "pageview/page_view.h"

#include "app/about_box.h"
#include "app/exit_confirmation.h"

CPageView::CPageView() = default;
CPageView::~CPageView() = default;

void CPageView::OnPaint() {
  CPaintDC paint(this);
  CClientDC dc(this);
  RECT r;
  GetClientRect(&r);
  dc.FillSolidRect(&r, RGB(255, 255, 255));
}

void CPageView::OnKeyDown(UINT nChar, UINT, UINT) {
  // The view closes, then its parent the frame, which takes the main screen.
  if (nChar == VK_ESCAPE && app::ConfirmExit()) app::RunCloseSequence(this);
  if (nChar == VK_F1) {
    CAboutBox about;
    about.DoModal();
  }
  Default();
}

void CPageView::CopyToClipboard() { ++m_nCopyRequests; }

void CPageView::PrintPage() { ++m_nPrintRequests; }
