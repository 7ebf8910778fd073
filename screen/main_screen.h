// The 640 by 480 stage in the middle of the frame.
#pragma once

#include "framework/wnd.h"
#include "pageview/page_view.h"

class CMainScreen : public CWnd {
 public:
  CMainScreen();
  ~CMainScreen() override;

  int OnCreate(LPCREATESTRUCT cs) override;
  void OnPaint() override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnLButtonDown(UINT nFlags, CPoint point) override;
  void OnLButtonUp(UINT nFlags, CPoint point) override;

  // 1 copies the page to the clipboard, 2 prints it.
  void CopyOrPrint(int what);

  // 1 while Ctrl is known to be down for the main screen.
  static int s_nCtrlDown;

  CPageView m_pageView;
  int m_nButtonUps = 0;  // releases handed to the screen, the frame's included
};
