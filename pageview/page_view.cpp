#include "pageview/page_view.h"

#include <cstdio>

#include "app/about_box.h"
#include "app/exit_confirmation.h"
#include "framework/file.h"
#include "framework/kernel_dirs.h"
#include "image/picture.h"

namespace {

constexpr int kViewWidth = 590;
constexpr int kViewHeight = 440;
constexpr int kSlideStep = 118;  // a fifth of the view: five frames a turn
constexpr int kSlideFrames = 5;
constexpr int kLastPageNumber = 99;

bool FileExists(const std::string& path) {
  CFileStatus status;
  return CFile::GetStatus(path, status) != FALSE;
}

// The picture's palette, where it has one, decides the colours of what is
// drawn next.
void SelectPicturePalette(CDC& dc, CPicture* picture) {
  if (CPalette* palette = picture->GetPalette()) {
    dc.SelectPalette(palette, TRUE);
    dc.RealizePalette();
  }
}

}  // namespace

CPageView::CPageView() {
  char dir[200] = {};
  GetCurrentDirectory(sizeof dir, dir);
  m_strBooksDir = std::string(dir) + "\\books\\";
  // Pages present among 01 to 99 count, gaps or not; every query after the
  // first is answered from the framework's cached listing of the folder.
  for (int book = 1; book <= 10; ++book) {
    int count = 0;
    for (int n = 1; n <= kLastPageNumber; ++n) {
      if (FileExists(PagePath(book, n, 'b'))) ++count;
    }
    m_nPageCount[book - 1] = count;
  }
  m_pOutline = new CPicture((m_strBooksDir + "PL00_01b.png").c_str(), IMAGE_PNG);
  m_pColour = new CPicture((m_strBooksDir + "PL00_01C.png").c_str(), IMAGE_PNG);
}

CPageView::~CPageView() {
  delete m_pOutline;
  delete m_pColour;
  m_rgnRevealed.DeleteObject();
  DestroyWindow();
}

std::string CPageView::PagePath(int book, int pageNumber, char kind) const {
  char name[32];
  std::snprintf(name, sizeof name, "PL%02d_%02d%c.png", book, pageNumber, kind);
  return m_strBooksDir + name;
}

void CPageView::EnsureRevealed() {
  if (!m_rgnRevealed.GetSafeHandle()) m_rgnRevealed.CreateRectRgn(0, 0, 0, 0);
}

void CPageView::TurnPage(int /*x*/, int y, int book, int page) {
  {
    CClientDC dc(this);
    const std::string outline = PagePath(book, page + 1, 'b');
    const std::string colour = PagePath(book, page + 1, 'c');
    // A missing file keeps the picture of that kind that is on show.
    if (FileExists(colour)) {
      delete m_pColour;
      m_pColour = new CPicture(colour.c_str(), IMAGE_PNG);
    }
    if (FileExists(outline)) {
      delete m_pOutline;
      m_pOutline = new CPicture(outline.c_str(), IMAGE_PNG);
    }
    if (page == 0) {
      SelectPicturePalette(dc, m_pOutline);
      m_pOutline->Draw(&dc, 0, 0, -1, -1, 0, 0);
    } else {
      // Each frame moves what is on screen one step left and draws only the
      // incoming page; the scroll shows the frame before it.
      const int width = m_pOutline->GetWidth();
      for (int k = 1; k <= kSlideFrames; ++k) {
        const CRect moved(0, 0, kViewWidth - kSlideStep * k, kViewHeight);
        dc.ScrollDC(-kSlideStep, 0, &moved, &moved, nullptr, nullptr);
        SelectPicturePalette(dc, m_pOutline);
        m_pOutline->Draw(&dc, width - kSlideStep * k, y, -1, -1, 0, 0);
      }
    }
  }
  // Every page starts as a line drawing.
  EnsureRevealed();
  CRgn empty;
  empty.CreateRectRgn(0, 0, 0, 0);
  m_rgnRevealed.CopyRgn(&empty);
}

void CPageView::Rub(int x, int y, int /*unused*/) {
  CClientDC dc(this);
  // The circle, in view coordinates, centred 6 right of and 5 below the
  // pointer, where the rubbing cursor's crayon tip is.
  const int left = x - 64;
  const int top = y - 55;
  CRgn circle;
  circle.CreateEllipticRgn(left, top, x - 24, y - 15);
  EnsureRevealed();
  m_rgnRevealed.CombineRgn(&m_rgnRevealed, &circle, RGN_OR);
  // Only the new circle is drawn; the earlier ones are on screen already.
  dc.SelectClipRgn(&circle);
  SelectPicturePalette(dc, m_pColour);
  // The draw counts source rows from the bottom of a 440-row page picture.
  if (top >= 0) {
    m_pColour->Draw(&dc, left, top, 40, 40, left, 455 - y);
  } else {
    m_pColour->Draw(&dc, left, 0, 40, 40, left, kViewHeight - 40);
  }
}

void CPageView::OnPaint() {
  CPaintDC paint(this);
  if (m_nBook != -1 || m_nPage != 0) {
    Redraw();
  } else {
    PaintCover();
  }
}

void CPageView::PaintCover() {
  CClientDC dc(this);
  delete m_pOutline;
  m_pOutline = new CPicture((m_strBooksDir + "PL00_01b.png").c_str(), IMAGE_PNG);
  SelectPicturePalette(dc, m_pOutline);
  if (m_bShown == 1) {
    m_pOutline->Draw(&dc, 0, 0, -1, -1, 0, 0);
    dc.SelectClipRgn(&m_rgnRevealed);
    SelectPicturePalette(dc, m_pColour);
    m_pColour->Draw(&dc, 0, 0, -1, -1, 0, 0);
  } else {
    // The first paint leaves the page area to the main screen's opening
    // picture.
    EnsureRevealed();
  }
  m_bShown = 1;
}

void CPageView::Redraw() {
  CClientDC dc(this);
  SelectPicturePalette(dc, m_pOutline);
  SelectPicturePalette(dc, m_pColour);
  m_pOutline->Draw(&dc, 0, 0, -1, -1, 0, 0);
  EnsureRevealed();
  dc.SelectClipRgn(&m_rgnRevealed);
  m_pColour->Draw(&dc, 0, 0, -1, -1, 0, 0);
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
