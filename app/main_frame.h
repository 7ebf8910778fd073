// The main window: a caption-less frame covering the screen in dark blue, with
// the 640 by 480 main screen in its middle.
#pragma once

#include "framework/wnd.h"
#include "screen/main_screen.h"

class CMainFrame : public CFrameWnd {
 public:
  CMainFrame();
  ~CMainFrame() override;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  int OnCreate(LPCREATESTRUCT cs) override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnLButtonUp(UINT nFlags, CPoint point) override;
  void OnMouseMove(UINT nFlags, CPoint point) override;

  // 1 while Ctrl is known to be down for the frame.
  static int s_nCtrlDown;

  CMainScreen m_mainScreen;
};
