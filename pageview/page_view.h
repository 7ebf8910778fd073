// The page area: 590 by 440 pixels beside the book buttons. It shows the cover
// or a page of the open book as an outline picture, with the page's colour
// picture showing through where the child has rubbed.
#pragma once

#include <string>

#include "framework/gdi.h"
#include "framework/wnd.h"

class CPicture;

class CPageView : public CWnd {
 public:
  CPageView();
  ~CPageView() override;

  void OnPaint() override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;

  // Shows page `page` (from 0) of book `book` (0 the cover, 1 to 10 the
  // books): page 0 at once, any other sliding in from the right with its top
  // edge at y. x is not used.
  void TurnPage(int x, int y, int book, int page);
  // Colours in a circle of the page under the pointer at (x, y) in the main
  // screen's coordinates. The third argument is not used.
  void Rub(int x, int y, int unused);
  void CopyToClipboard();
  void PrintPage();

  // The full path of a page picture: kind 'b' the outline, 'c' the colour.
  std::string PagePath(int book, int pageNumber, char kind) const;

  CRgn m_rgnRevealed;         // what has been rubbed since the last turn
  int m_nPageCount[10] = {};  // pages found on disk, book 1 first
  CPicture* m_pOutline = nullptr;
  CPicture* m_pColour = nullptr;
  int m_bShown = 0;  // 1 once the view has been painted
  int m_nPage = 0;   // page on show, from 0; written by the main screen
  int m_nBook = -1;  // open book from 0, -1 on the cover; written by the main screen
  std::string m_strBooksDir;

  // How often copy and print were asked for.
  int m_nCopyRequests = 0;
  int m_nPrintRequests = 0;

 private:
  void PaintCover();
  void Redraw();
  // The revealed region exists from the first paint on; a turn or a rub that
  // comes before it starts the region empty rather than losing its work.
  void EnsureRevealed();
};
