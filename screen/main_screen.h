// The 640 by 480 stage in the middle of the frame: the title corner, the order
// button and about bar along the top, the ten book buttons down the left, and
// the page view beneath it on the rest.
#pragma once

#include <string>

#include "framework/wnd.h"
#include "pageview/page_view.h"

class CPicture;
class CSoundClip;

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
  void OnMouseMove(UINT nFlags, CPoint point) override;
  void OnTimer(UINT_PTR nIDEvent) override;

  // 1 copies the page to the clipboard, 2 prints it.
  void CopyOrPrint(int what);

  // Ends the process with a message when a picture of the start-up and title
  // area has another size than the book was made with, or a book button has
  // no pressed face. booksDir ends in a backslash.
  static void CheckDataFiles(const std::string& booksDir);

  // Draws the picture at its own size at (x, y), in its own palette.
  static void DrawPicture(CPicture* picture, CDC* dc, int x, int y);
  // Stops the current effect clip and plays the named wave file instead.
  void ReplaceClip(const char* name);
  // Title frame `frame` at (x, y), then a pause of 360 ms.
  void DrawTitleFrame(int x, int y, int frame);
  void PlayTitleAnimation();
  void PlayAboutIntro();
  void PlayTitleIntro();
  // One click on the button of book n (1 to 10).
  void StepBook(int n);

  // Top of book button i's band (i from 0).
  static int BandTop(int i) { return 59 + 42 * i; }

  int m_nLastBook = -1;  // book (1 to 10) clicked last; -1 before any
  CPicture* m_pAboutBar = nullptr;
  CPicture* m_pOrderDown = nullptr;
  CPicture* m_pOrderUp = nullptr;
  CPicture* m_pNavUp = nullptr;  // open book's face, books 2 to 10
  CPicture* m_pNavDown = nullptr;
  CPicture* m_pNav1Up = nullptr;  // open book's face, book 1
  CPicture* m_pNav1Down = nullptr;
  CPicture* m_pBookUp[10] = {};
  CPicture* m_pBookDown[10] = {};  // also the face under the pointer
  CPicture* m_pTitleFrame[5] = {};
  CPicture* m_pOpening = nullptr;
  CPageView m_pageView;
  CSoundClip* m_pClip = nullptr;  // the one narration, click or voice playing
  CSoundClip* m_pTune = nullptr;
  int m_bBookClosed = 0;    // 1 when the last book click closed its book
  int m_bIntroPending = 1;  // 1 until the first paint has run the opening
  int m_bTitleWait = 1;     // 1 while the next title-corner click waits a second more
  int m_nPagesShown = 0;    // pages of the open book shown; 0 when none is open
  int m_nCurBook = -1;      // book (0 to 9) clicked last
  char m_szDir[200] = {};   // the current directory
  DWORD m_dwClickTime = 0;  // message time of the last click handled
  DWORD m_dwHandleStart = 0;
  DWORD m_dwHandleTime = 0;  // how long handling that click took

  // The pointer's state, kept for the whole program.
  static int s_nHoverBand;    // book button band last under the pointer
  static int s_nHoverShown;   // button showing its down face, -1 none
  static int s_bTuneRewound;  // 1 after the timer rewound the tune, until rubbing plays it
  // 1 while Ctrl is known to be down for the main screen.
  static int s_nCtrlDown;

 private:
  // The click that goes before every page, then the page's narration if the
  // book has one for it.
  void PlayPageSound(const char* narration, const std::string& path);
};
