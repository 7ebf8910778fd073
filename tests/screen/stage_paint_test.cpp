// The main screen's construction, layout and painting on the headless
// platform, with small pictures of one colour each.
#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "framework/dialog.h"
#include "framework/mci.h"
#include "tests/support/stage_fixture.h"

using namespace testing_support;

namespace {

CMainScreen& Screen() { return BookRun::Frame()->m_mainScreen; }

CRect WindowRect(CWnd* w) {
  RECT r;
  w->GetWindowRect(&r);
  return CRect(r);
}

void RepaintScreen() {
  Screen().Invalidate(FALSE);
  Screen().UpdateWindow();
}

}  // namespace

TEST(Stage, OpeningRunsOnceAtTheFirstPaint) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  std::vector<std::string> opening, secondPaint;
  std::uint32_t openingPicture = 0, keptFill = 0;
  DWORD tunePlayed = 0, startPlayed = 0;
  int titleWait = -1;
  run.platform.WhenIdle([&] {
    opening = SoundLog(run.platform);
    for (const auto& e : run.platform.sounds.Events()) {
      if (e.what == fw::headless::SoundEvent::What::Play && tunePlayed == 0) tunePlayed = e.time;
      if (e.what == fw::headless::SoundEvent::What::Play &&
          e.path.find("start.wav") != std::string::npos)
        startPlayed = e.time;
    }
    openingPicture = StagePixel(50, 40);
    // A later paint leaves the page area and the sounds alone.
    {
      CClientDC dc(&Screen());
      dc.FillSolidRect(50, 40, 590, 440, RGB(1, 2, 3));
    }
    Screen().m_bTitleWait = 0;
    const size_t before = run.platform.sounds.Events().size();
    RepaintScreen();
    secondPaint = SoundLog(run.platform, before);
    keptFill = StagePixel(300, 300);
    titleWait = Screen().m_bTitleWait;
  });
  run.Run();
  const std::vector<std::string> expected = {
      "open 10.mid",     "play 10.mid",  "open start.wav",  "play start.wav",
      "close start.wav", "pause 10.mid", "open intro2.wav", "play intro2.wav",
  };
  EXPECT_EQ(opening, expected);
  EXPECT_EQ(startPlayed - tunePlayed, 500u);
  EXPECT_EQ(openingPicture, OutlineColour(0, 1));
  EXPECT_TRUE(secondPaint.empty());
  EXPECT_EQ(keptFill, 0x010203u);
  EXPECT_EQ(titleWait, 0);
}

TEST(Stage, EveryPaintDrawsTheTopBarTheTitleCornerAndTenUpFaces) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  std::map<std::string, std::vector<std::uint32_t>> seen;
  run.platform.WhenIdle([&] {
    Snapshot("stage");
    {
      CClientDC dc(&Screen());
      dc.FillSolidRect(0, 0, 640, 480, RGB(1, 2, 3));
    }
    RepaintScreen();
    auto corners = [](int l, int t, int r, int b) {
      return std::vector<std::uint32_t>{StagePixel(l, t), StagePixel(r - 1, t),
                                        StagePixel(l, b - 1), StagePixel(r - 1, b - 1)};
    };
    seen["Title_animate1.png"] = corners(0, 0, 50, 59);
    seen["Title2U.png"] = corners(50, 0, 240, 40);
    seen["Title3.png"] = corners(240, 0, 640, 40);
    for (int i = 0; i < 10; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "But%02du.png", i + 1);
      seen[name] = corners(0, 59 + 42 * i, 50, 101 + 42 * i);
    }
    seen["foot"] = {StagePixel(0, 479), StagePixel(49, 479)};
  });
  run.Run();
  for (const auto& [name, pixels] : seen) {
    const std::uint32_t want = name == "foot" ? 0x000000u : StageColour(name).Value();
    for (std::uint32_t p : pixels) EXPECT_EQ(p, want) << name;
  }
}

TEST(Stage, PaintShowsTheOpenBooksNavigationFace) {
  struct Case {
    const char* name;
    std::vector<int> clicks;  // books clicked, in order
    int band;
    const char* face;
  };
  const Case cases[] = {
      {"book 1 open", {1}, 0, "Nav1_u.png"},
      {"book 4 open", {4}, 3, "Nav_u.png"},
      {"no book open", {}, 3, "But04u.png"},
      {"book 4 closed again", {4, 4}, 3, "But04u.png"},  // one page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    WriteStage(run.contentDir);
    WritePage(run.contentDir, 1, 1);
    WritePage(run.contentDir, 4, 1);
    PassStartDialog(run);
    std::vector<std::function<void()>> steps;
    for (int book : c.clicks) steps.push_back([&run, book] { ClickBook(run, book); });
    std::uint32_t top = 0, bottom = 0;
    steps.push_back([&] {
      {
        CClientDC dc(&Screen());
        dc.FillSolidRect(0, 59, 50, 420, RGB(1, 2, 3));
      }
      RepaintScreen();
      top = StagePixel(0, 59 + 42 * c.band);
      bottom = StagePixel(49, 100 + 42 * c.band);
    });
    Script(run, steps);
    run.Run();
    EXPECT_EQ(top, StageColour(c.face).Value());
    EXPECT_EQ(bottom, StageColour(c.face).Value());
  }
}

TEST(Stage, StageAndPageViewSitInTheMiddleOfTheScreen) {
  struct Case {
    int width, height;
    CRect screen, view;
  };
  const Case cases[] = {
      {800, 600, CRect(80, 80, 720, 560), CRect(130, 120, 720, 560)},
      {601, 600, CRect(-19, 80, 621, 560), CRect(31, 120, 621, 560)},  // truncates towards 0
      {640, 480, CRect(0, 20, 640, 500), CRect(50, 60, 640, 500)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    BookRun run;
    run.platform.SetScreenSize(c.width, c.height);
    PassStartDialog(run);
    CRect screen, view;
    bool viewIsSibling = false;
    run.platform.WhenIdle([&] {
      screen = WindowRect(&Screen());
      view = WindowRect(&Screen().m_pageView);
      viewIsSibling = Screen().m_pageView.GetParent() == BookRun::Frame();
    });
    run.Run();
    EXPECT_EQ(screen.left, c.screen.left);
    EXPECT_EQ(screen.top, c.screen.top);
    EXPECT_EQ(screen.right, c.screen.right);
    EXPECT_EQ(screen.bottom, c.screen.bottom);
    EXPECT_EQ(view.left, c.view.left);
    EXPECT_EQ(view.top, c.view.top);
    EXPECT_EQ(view.right, c.view.right);
    EXPECT_EQ(view.bottom, c.view.bottom);
    EXPECT_TRUE(viewIsSibling);
  }
}

TEST(Stage, ClosingTheBookClosesBothSounds) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  run.platform.WhenIdle([&] {
    Screen().SetFocus();
    run.platform.Key(VK_ESCAPE);
  });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(IDYES); });
  run.Run();
  EXPECT_EQ(run.exitCode, 0);
  const std::vector<std::string> log = SoundLog(run.platform);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "close intro2.wav");
  EXPECT_EQ(log.back(), "close 10.mid");
  EXPECT_EQ(fw::OpenMciDeviceCount(), 0);
}

TEST(Stage, F1OnTheMainScreenShowsTheAboutBoxAndEscapeClosesOnlyIt) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  std::string caption;
  bool back = false;
  Script(run, {[&] {
                 Screen().SetFocus();
                 run.platform.Key(VK_F1);
               },
               [&] {
                 CDialog* d = fw::ActiveModalDialog();
                 caption = d ? d->GetWindowText() : "(none)";
                 run.platform.Key(VK_ESCAPE);
               },
               [&] {
                 back = fw::ActiveModalDialog() == nullptr && AfxGetMainWnd()->IsWindowVisible();
               }});
  run.Run();
  EXPECT_EQ(caption, "About Pippalee");
  EXPECT_TRUE(back);
  EXPECT_TRUE(run.platform.messageBoxes.empty());
}

namespace {

// A main screen whose framework creation fails or succeeds as the test says,
// and which notes what its creation left behind.
class ScreenUnderCreation : public CMainScreen {
 public:
  explicit ScreenUnderCreation(bool refuse) : m_bRefuse(refuse) {}
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE && m_bRefuse) return -1;
    return CMainScreen::DefWindowProc(message, wParam, lParam);
  }
  int OnCreate(LPCREATESTRUCT cs) override {
    const int result = CMainScreen::OnCreate(cs);
    m_bViewMade = m_pageView.GetSafeHwnd() != nullptr;
    for (const fw::Timer& t : fw::RT().timers) m_nTimers += t.window == m_hWnd;
    return result;
  }
  bool m_bRefuse;
  bool m_bViewMade = false;
  int m_nTimers = 0;
};

}  // namespace

TEST(Stage, WhenTheWindowCannotBeMadeNeitherThePageViewNorTheTimerIs) {
  for (bool refuse : {true, false}) {
    SCOPED_TRACE(refuse ? "creation refused" : "creation allowed");
    BookRun run;
    WriteStage(run.contentDir);
    PassStartDialog(run);
    BOOL made = FALSE;
    bool viewMade = true;
    int timers = -1;
    size_t childrenBefore = 0, childrenAfter = 0;
    run.platform.WhenIdle([&] {
      CMainFrame* frame = BookRun::Frame();
      childrenBefore = frame->m_hWnd->children.size();
      ScreenUnderCreation screen(refuse);
      made = screen.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 640, 480), frame,
                           static_cast<UINT>(-1));
      viewMade = screen.m_bViewMade;
      timers = screen.m_nTimers;
      childrenAfter = frame->m_hWnd->children.size();
      if (screen.GetSafeHwnd()) screen.DestroyWindow();
      if (screen.m_pageView.GetSafeHwnd()) screen.m_pageView.DestroyWindow();
    });
    run.Run();
    EXPECT_EQ(made, refuse ? FALSE : TRUE);
    EXPECT_EQ(viewMade, !refuse);
    EXPECT_EQ(timers, refuse ? 0 : 1);
    // The screen and its page view are both the frame's children.
    EXPECT_EQ(childrenAfter - childrenBefore, refuse ? 0u : 2u);
  }
}
