#include "screen/main_screen.h"

#include <cstdint>
#include <cstdio>

#include "app/about_box.h"
#include "app/exit_confirmation.h"
#include "framework/app.h"
#include "framework/file.h"
#include "framework/kernel.h"
#include "framework/kernel_dirs.h"
#include "framework/msgbox.h"
#include "framework/shell.h"
#include "image/picture.h"
#include "resources/resources.h"
#include "sound/sound_clip.h"

int CMainScreen::s_nHoverBand = 0;
int CMainScreen::s_nHoverShown = -1;
int CMainScreen::s_bTuneRewound = 0;
int CMainScreen::s_nCtrlDown = 0;

namespace {

constexpr int kButtons = 10;
constexpr int kColumnFoot = 479;
constexpr UINT_PTR kTuneTimer = 0;
constexpr UINT kTunePeriod = 53000;

// What differs between the ten books.
struct BookRow {
  const char* prefix;  // of the narration file names
  CPicture* CMainScreen::*navUp;
  CPicture* CMainScreen::*navDown;
  const char* closingSound;
  bool clickBeforeSearch;  // the first page's click starts before the narration is looked for
  bool pauseBeforeSound;   // on a later page the pause comes before the page sound
};

const BookRow kBooks[kButtons] = {
    {"B01_", &CMainScreen::m_pNav1Up, &CMainScreen::m_pNav1Down, "Intro3.wav", true, false},
    {"B02_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "intro3.wav", false, false},
    {"B03_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, false},
    {"B04_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, false},
    {"B05_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, false},
    {"B06_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "B99.wav", false, false},
    {"B07_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, false},
    {"B08_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, false},
    {"B09_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, false},
    {"B10_", &CMainScreen::m_pNavUp, &CMainScreen::m_pNavDown, "Intro3.wav", false, true},
};

// The title corner's frames: twice round, ending on the frame at rest.
constexpr int kTitleSequence[17] = {0, 1, 2, 1, 0, 3, 4, 3, 0, 1, 2, 1, 0, 3, 4, 3, 0};

// The pictures of the start-up and title area, at the sizes the book was made
// with.
struct SizedFile {
  const char* name;
  ULONGLONG size;
};
constexpr SizedFile kSizedFiles[9] = {
    {"splash.png", 24790},        {"Title_animate1.png", 1477}, {"Title_animate2.png", 1474},
    {"Title_animate3.png", 1356}, {"Title_animate4.png", 1472}, {"Title_animate5.png", 1456},
    {"Title2U.png", 1333},        {"Title2D.png", 1323},        {"Title3.png", 3321},
};

CPicture* LoadPicture(const std::string& booksDir, const char* name) {
  return new CPicture((booksDir + name).c_str(), IMAGE_PNG);
}

std::string ReadWindowsDirectory() {
  char dir[200] = {};
  GetWindowsDirectory(dir, sizeof dir);
  return dir;
}

// Opens a document that lies beside the book in the desktop's viewer.
void OpenDocument(const char* currentDir, const char* name) {
  const std::string windowsDir = ReadWindowsDirectory();
  const std::string document = std::string(currentDir) + name;
  CWnd* active = CWnd::GetActiveWindow();
  ShellExecute(active ? active->m_hWnd : nullptr, "open", "write.exe", document.c_str(),
               windowsDir.c_str(), SW_SHOWMAXIMIZED);
}

bool InPageArea(CPoint p) { return p.x > 50 && p.x < 640 && p.y > 40 && p.y < 480; }

}  // namespace

CMainScreen::CMainScreen() {
  GetCurrentDirectory(sizeof m_szDir, m_szDir);
  const std::string booksDir = std::string(m_szDir) + "\\books\\";
  CheckDataFiles(booksDir);

  m_pTune = new CSoundClip();
  m_pTune->Play();
  Sleep(500);
  m_pClip = new CSoundClip("start.wav");
  m_pClip->Play();

  for (int i = 0; i < 5; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Title_animate%d.png", i + 1);
    m_pTitleFrame[i] = LoadPicture(booksDir, name);
  }
  m_pOrderUp = LoadPicture(booksDir, "Title2U.png");
  m_pOrderDown = LoadPicture(booksDir, "Title2d.png");
  m_pAboutBar = LoadPicture(booksDir, "Title3.png");
  m_pNavUp = LoadPicture(booksDir, "Nav_u.png");
  m_pNavDown = LoadPicture(booksDir, "Nav_d.png");
  m_pNav1Up = LoadPicture(booksDir, "Nav1_u.png");
  m_pNav1Down = LoadPicture(booksDir, "Nav1_d.png");
  for (int i = 0; i < kButtons; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "But%02du.png", i + 1);
    m_pBookUp[i] = LoadPicture(booksDir, name);
  }
  for (int i = 0; i < kButtons; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "But%02dd.png", i + 1);
    m_pBookDown[i] = LoadPicture(booksDir, name);
  }
  m_pOpening = LoadPicture(booksDir, "PL00_01b.png");
}

CMainScreen::~CMainScreen() {
  delete m_pClip;
  delete m_pTune;
  for (CPicture* p : m_pTitleFrame) delete p;
  delete m_pOrderUp;
  delete m_pOrderDown;
  delete m_pAboutBar;
  delete m_pNavUp;
  delete m_pNavDown;
  delete m_pNav1Up;
  delete m_pNav1Down;
  for (CPicture* p : m_pBookUp) delete p;
  for (CPicture* p : m_pBookDown) delete p;
  delete m_pOpening;
  // The page view member goes next, then the window base.
}

void CMainScreen::CheckDataFiles(const std::string& booksDir) {
  bool corrupted = false;
  // Every sized file is looked at, whatever the earlier ones gave.
  for (const SizedFile& f : kSizedFiles) {
    CFileStatus status;
    if (!CFile::GetStatus(booksDir + f.name, status) || status.m_size != f.size) corrupted = true;
  }
  for (int n = 1; n <= kButtons; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "But%02dD.png", n);
    CFileStatus status;
    if (!CFile::GetStatus(booksDir + name, status)) {
      corrupted = true;
      break;
    }
  }
  if (corrupted) {
    ::MessageBox(nullptr, "corrupted files ..terminating program", "Scribbletot",
                 MB_ICONHAND | MB_OK);
    ExitProcess(1);
  }
}

void CMainScreen::DrawPicture(CPicture* picture, CDC* dc, int x, int y) {
  if (!picture) return;
  if (CPalette* palette = picture->GetPalette()) {
    dc->SelectPalette(palette, TRUE);
    dc->RealizePalette();
  }
  picture->Draw(dc, x, y, -1, -1, 0, 0);
}

void CMainScreen::ReplaceClip(const char* name) {
  delete m_pClip;
  m_pClip = new CSoundClip(name);
  m_pClip->Play();
}

int CMainScreen::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  const int x0 = (GetSystemMetrics(SM_CXFULLSCREEN) - 640) / 2;
  const int y0 = (GetSystemMetrics(SM_CYFULLSCREEN) - 480) / 2;
  LPCTSTR cls = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS,
                                    AfxGetApp()->LoadStandardCursor(IDC_CROSS), nullptr, nullptr);
  m_pageView.Create(cls, "", WS_CHILD | WS_VISIBLE, CRect(x0 + 50, y0 + 60, x0 + 640, y0 + 500),
                    GetParent(), static_cast<UINT>(-1));
  SetTimer(kTuneTimer, kTunePeriod, nullptr);
  return 0;
}

void CMainScreen::OnPaint() {
  CPaintDC paint(this);
  CClientDC dc(this);
  if (m_bIntroPending == 1) {
    delete m_pClip;
    m_pClip = nullptr;
    m_bTitleWait = 1;
    m_pTune->Pause();
  }
  dc.MoveTo(0, kColumnFoot);
  dc.LineTo(50, kColumnFoot);
  DrawPicture(m_pTitleFrame[0], &dc, 0, 0);
  DrawPicture(m_pOrderUp, &dc, 50, 0);
  DrawPicture(m_pAboutBar, &dc, 240, 0);
  for (int i = 0, y = BandTop(0); y < kColumnFoot; ++i, y += 42) {
    DrawPicture(m_pBookUp[i], &dc, 0, y);
  }
  if (m_nPagesShown != 0) {
    if (m_nCurBook == 0) {
      DrawPicture(m_pNav1Up, &dc, 0, BandTop(0));
    } else {
      DrawPicture(m_pNavUp, &dc, 0, BandTop(m_nCurBook));
    }
  }
  if (m_bIntroPending == 1) {
    DrawPicture(m_pOpening, &dc, 50, 40);
    m_pClip = new CSoundClip("intro2.wav");
    m_pClip->Play();
    m_bIntroPending = 0;
  }
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

void CMainScreen::CopyOrPrint(int what) {
  if (what == 1) m_pageView.CopyToClipboard();
  if (what == 2) m_pageView.PrintPage();
}

// --- the pointer

void CMainScreen::OnMouseMove(UINT nFlags, CPoint point) {
  CClientDC dc(this);
  if (InPageArea(point)) {
    ::SetCursor(AfxGetApp()->LoadCursor(resources::IDC_RUB));
    // Rubbing is the left button alone: with Shift, Ctrl or another button
    // held nothing is coloured.
    if (nFlags == MK_LBUTTON) {
      if (s_bTuneRewound == 1) {
        m_pTune->Rewind();
        m_pTune->Play();
        s_bTuneRewound = 0;
      }
      delete m_pClip;
      m_pClip = nullptr;
      m_pageView.Rub(point.x, point.y, 0);
    }
  } else {
    ::SetCursor(AfxGetApp()->LoadCursor(resources::IDC_POINT));
  }
  if (point.x > 0 && point.x < 50) {
    // The band edges belong to no button, so the lit button changes only
    // well inside another.
    for (int k = 0; k < kButtons; ++k) {
      if (point.y > BandTop(k) && point.y < BandTop(k) + 42) s_nHoverBand = k;
    }
    if (s_nHoverBand != s_nHoverShown) {
      // The open book keeps its navigation face.
      if (s_nHoverShown != -1 && (s_nHoverShown != m_nCurBook || m_bBookClosed == 1)) {
        DrawPicture(m_pBookUp[s_nHoverShown], &dc, 0, BandTop(s_nHoverShown));
      }
      if (s_nHoverBand != m_nCurBook || m_bBookClosed == 1) {
        DrawPicture(m_pBookDown[s_nHoverBand], &dc, 0, BandTop(s_nHoverBand));
      }
      s_nHoverShown = s_nHoverBand;
    }
  }
  Default();
}

void CMainScreen::OnLButtonUp(UINT, CPoint) {
  m_pTune->Pause();
  Default();
}

void CMainScreen::OnTimer(UINT_PTR) {
  if (m_bIntroPending == 0) {
    m_pTune->Rewind();
    s_bTuneRewound = 1;
  }
  Default();
}

void CMainScreen::DrawTitleFrame(int x, int y, int frame) {
  {
    CClientDC dc(this);
    DrawPicture(m_pTitleFrame[frame], &dc, x, y);
  }
  Sleep(360);
}

void CMainScreen::PlayTitleAnimation() {
  for (int frame : kTitleSequence) DrawTitleFrame(0, 0, frame);
}

// --- clicks

void CMainScreen::OnLButtonDown(UINT, CPoint point) {
  const DWORD t = GetMessageTime();
  // A press made while the last click was still being handled waited in the
  // queue; it is dropped.
  const bool dropped = m_dwClickTime != 0 &&
                       static_cast<std::int64_t>(static_cast<std::int32_t>(t - m_dwClickTime)) <
                           static_cast<std::int64_t>(m_dwHandleTime);
  if (!dropped) {
    m_dwClickTime = t;
    m_dwHandleStart = GetTickCount();
    CClientDC dc(this);
    const int x = point.x;
    const int y = point.y;
    if (x > 240 && x < 640 && y > 0 && y < 40) {
      PlayAboutIntro();
      OpenDocument(m_szDir, "\\about.doc");
    }
    if (x > 0 && x <= 50 && y > 0 && y < 59) {
      if (m_bTitleWait == 1) {
        Sleep(1000);
        m_bTitleWait = 0;
      }
      PlayTitleIntro();
    }
    if (x > 50 && x < 240 && y > 0 && y < 40) {
      ReplaceClip("Click.Wav");
      DrawPicture(m_pOrderDown, &dc, 50, 0);
      Sleep(25);
      ReplaceClip("Order.Wav");
      DrawPicture(m_pOrderUp, &dc, 50, 0);
      OpenDocument(m_szDir, "\\order.doc");
      Sleep(4000);
    }
    if (x > 0 && x < 50) {
      for (int k = 0; k < kButtons; ++k) {
        if (y >= BandTop(k) && y < BandTop(k) + 42) StepBook(k + 1);
      }
    }
    if (InPageArea(point)) m_pTune->Play();
    m_dwHandleTime = GetTickCount() - m_dwHandleStart;
  }
  SetFocus();
  Default();
}

void CMainScreen::PlayAboutIntro() {
  Sleep(100);
  delete m_pClip;
  m_pClip = new CSoundClip("intro1.Wav");
  Sleep(100);
  m_pClip->Play();
  PlayTitleAnimation();
  SetFocus();
}

void CMainScreen::PlayTitleIntro() {
  delete m_pClip;
  m_pClip = nullptr;
  Sleep(1000);
  m_pClip = new CSoundClip("intro2.wav");
  m_pClip->Play();
  PlayTitleAnimation();
  SetFocus();
}

void CMainScreen::PlayPageSound(const char* narration, const std::string& path) {
  CFileFind find;
  const bool found = find.FindFile(path) != FALSE;
  ReplaceClip("click.wav");
  // The click is cut off at once by the narration that follows it.
  if (found) ReplaceClip(narration);
}

void CMainScreen::StepBook(int n) {
  const int b = n - 1;
  const BookRow& row = kBooks[b];
  CPicture* navUp = this->*row.navUp;
  CPicture* navDown = this->*row.navDown;
  const int top = BandTop(b);
  CClientDC dc(this);

  m_nCurBook = b;
  m_pageView.m_nBook = b;
  m_bBookClosed = 0;
  GetCurrentDirectory(sizeof m_szDir, m_szDir);
  const std::string waveDir = std::string(m_szDir) + "\\wave\\";
  // Another book than the last one starts from its first page.
  if (m_nLastBook != n) m_nPagesShown = 0;
  if (m_nLastBook != -1 && m_nLastBook != n) {
    DrawPicture(m_pBookUp[m_nLastBook - 1], &dc, 0, BandTop(m_nLastBook - 1));
  }
  char narration[20];
  std::snprintf(narration, sizeof narration, "%s%02d.wav", row.prefix, m_nPagesShown + 1);
  const std::string path = waveDir + narration;

  if (m_nPagesShown < m_pageView.m_nPageCount[b]) {
    if (m_nPagesShown != 0) {
      DrawPicture(navDown, &dc, 0, top);
      UpdateWindow();
      if (row.pauseBeforeSound) {
        Sleep(100);
        PlayPageSound(narration, path);
      } else {
        PlayPageSound(narration, path);
        Sleep(100);
      }
    } else if (row.clickBeforeSearch) {
      ReplaceClip("click.wav");
      CFileFind find;
      ReplaceClip(find.FindFile(path) ? narration : "click.wav");
    } else {
      PlayPageSound(narration, path);
    }
    DrawPicture(navUp, &dc, 0, top);
    m_pageView.TurnPage(0, 0, n, m_nPagesShown);
    ++m_nPagesShown;
  } else {
    // Past the last page the book closes and the cover comes back.
    DrawPicture(navDown, &dc, 0, top);
    ReplaceClip("Click.Wav");
    Sleep(100);
    DrawPicture(navUp, &dc, 0, top);
    Sleep(100);
    ReplaceClip(row.closingSound);
    DrawPicture(m_pBookUp[b], &dc, 0, top);
    m_pageView.TurnPage(0, 0, 0, 0);
    m_nPagesShown = 0;
    m_pageView.m_nBook = -1;
  }
  if (m_nPagesShown == 0) {
    m_pageView.m_nPage = 0;
    m_bBookClosed = 1;
  } else {
    m_pageView.m_nPage = m_nPagesShown - 1;
  }
  m_nLastBook = n;
  SetFocus();
}
