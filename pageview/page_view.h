// The page area: 590 by 440 pixels beside the book buttons.
#pragma once

#include "framework/wnd.h"

class CPageView : public CWnd {
 public:
  CPageView();
  ~CPageView() override;

  void OnPaint() override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;

  void CopyToClipboard();
  void PrintPage();

  int m_nPageCount[10] = {};
  int m_nBook = -1;
  int m_nPage = 0;

  // How often copy and print were asked for: the page pictures, the clipboard
  // and the printer come with the page view's own work.
  int m_nCopyRequests = 0;
  int m_nPrintRequests = 0;
};
