// Whole runs of the book's shell on the headless platform: start-up, the
// free-disk check, the keys of the frame and the main screen, the ending.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/instance.h"
#include "resources/resources.h"
#include "tests/support/book_run.h"
#include "tests/support/stage_fixture.h"

using testing_support::BookRun;
using testing_support::ReadFile;

namespace {

constexpr std::uint64_t kMb = 1048576;

// Answers the start dialog with Enter as soon as it is up.
void GoOnPastStartDialog(BookRun& run) {
  run.platform.WhenIdle([&run] { run.platform.Key(VK_RETURN); });
}

CRect WindowRect(CWnd* w) {
  RECT r;
  w->GetWindowRect(&r);
  return CRect(r);
}

std::string ActiveDialogCaption() {
  CDialog* d = fw::ActiveModalDialog();
  return d ? d->GetWindowText() : std::string("(none)");
}

}  // namespace

TEST(Shell, StartShowsTheDarkBlueFrameWithTheStageBelowTheCentre) {
  BookRun run;
  GoOnPastStartDialog(run);
  bool checked = false;
  run.platform.WhenIdle([&] {
    CMainFrame* frame = BookRun::Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->IsWindowVisible());
    EXPECT_EQ(frame->GetWindowText(), "Pippalee");
    EXPECT_EQ(frame->GetStyle() & (WS_POPUP | WS_MAXIMIZEBOX | WS_CAPTION),
              WS_POPUP | WS_MAXIMIZEBOX);
    const CRect f = WindowRect(frame);
    EXPECT_EQ(f.Width(), 800);
    EXPECT_EQ(f.Height(), 600);
    const CRect s = WindowRect(&frame->m_mainScreen);
    EXPECT_EQ(s.left, 80);
    EXPECT_EQ(s.top, 80);
    EXPECT_EQ(s.right, 720);
    EXPECT_EQ(s.bottom, 560);
    const CRect p = WindowRect(&frame->m_mainScreen.m_pageView);
    EXPECT_EQ(p.left, 130);
    EXPECT_EQ(p.top, 120);
    EXPECT_EQ(p.right, 720);
    EXPECT_EQ(p.bottom, 560);
    const fw::Surface* surface = frame->m_hWnd->surface.get();
    EXPECT_EQ(surface->Pixel(5, 5), 0x000064u);
    EXPECT_EQ(surface->Pixel(799, 599), 0x000064u);
    checked = true;
  });
  run.Run();
  EXPECT_TRUE(checked);
  EXPECT_FALSE(run.processExited);
  EXPECT_TRUE(run.platform.messageBoxes.empty());
}

TEST(Shell, StageIsNotClampedOnASmallScreen) {
  BookRun run;
  run.platform.SetScreenSize(640, 480);
  GoOnPastStartDialog(run);
  CRect s;
  run.platform.WhenIdle([&] { s = WindowRect(&BookRun::Frame()->m_mainScreen); });
  run.Run();
  EXPECT_EQ(s.left, 0);
  EXPECT_EQ(s.top, 20);
  EXPECT_EQ(s.right, 640);
  EXPECT_EQ(s.bottom, 500);
}

TEST(Shell, EscapeThenYesEndsThroughTheCloseSequenceAndWritesTheProfile) {
  BookRun run;
  GoOnPastStartDialog(run);
  std::string question;
  run.platform.WhenIdle([&] { run.platform.Key(VK_ESCAPE); });
  run.platform.WhenIdle([&] {
    question = ActiveDialogCaption();
    run.platform.ClickDialogButton(IDYES);
  });
  bool wentOn = false;  // the program ends by itself: the next action never comes
  run.platform.WhenIdle([&] { wentOn = true; });
  run.Run();
  EXPECT_EQ(question, "Pippalee");
  ASSERT_FALSE(run.platform.messageBoxes.empty());
  EXPECT_EQ(run.platform.messageBoxes.back().text, "Are you sure you want to Exit?");
  EXPECT_EQ(run.platform.messageBoxes.back().type, MB_ICONEXCLAMATION | MB_YESNO);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_FALSE(wentOn);
  const std::string ini = ReadFile(run.ProfilePath());
  EXPECT_NE(ini.find("[strSection]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("strIntItem=0"), std::string::npos) << ini;
}

TEST(Shell, EscapeThenNoLeavesEverythingAsItWas) {
  BookRun run;
  GoOnPastStartDialog(run);
  run.platform.WhenIdle([&] { run.platform.Key(VK_ESCAPE); });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(IDNO); });
  bool stillUp = false;
  bool profileBeforeEnd = true;
  run.platform.WhenIdle([&] {
    stillUp =
        AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible() && fw::ActiveModalDialog() == nullptr;
    profileBeforeEnd = run.ProfileWritten();
  });
  run.Run();
  EXPECT_TRUE(stillUp);
  EXPECT_FALSE(profileBeforeEnd);
}

TEST(Shell, FreeDiskSpaceDecidesBetweenRefusalWarningAndSilence) {
  struct Case {
    std::optional<std::uint64_t> freeBytes;
    const char* caption;  // the message shown, or null for none
    bool frameShown;
  };
  const Case cases[] = {
      {10 * kMb, "NOT ENOUGH FREE DISK SPACE", false},
      {10 * kMb + kMb - 1, "NOT ENOUGH FREE DISK SPACE", false},  // rounds down to 10
      {11 * kMb, "WARNING", true},
      {20 * kMb, "WARNING", true},
      {21 * kMb, nullptr, true},
      {std::uint64_t{3} << 30, nullptr, true},
      {std::uint64_t{5} << 40, nullptr, true},  // more than 32 bits of clusters' bytes
      {std::nullopt, nullptr, true},            // unknown: start without a word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.freeBytes ? std::to_string(*c.freeBytes) : std::string("unknown"));
    BookRun run;
    run.platform.SetDiskFree(c.freeBytes);
    GoOnPastStartDialog(run);
    // The message box, if any, is answered with Enter.
    run.platform.WhenIdle([&] {
      if (fw::ActiveModalDialog()) run.platform.Key(VK_RETURN);
    });
    bool shown = false;
    run.platform.WhenIdle([&] { shown = AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible(); });
    run.Run();
    EXPECT_EQ(shown, c.frameShown);
    if (c.caption) {
      ASSERT_EQ(run.platform.messageBoxes.size(), 1u);
      EXPECT_EQ(run.platform.messageBoxes[0].caption, c.caption);
      const UINT icon = std::string(c.caption) == "WARNING" ? MB_ICONEXCLAMATION : MB_ICONHAND;
      EXPECT_EQ(run.platform.messageBoxes[0].type, icon | MB_OK);
    } else {
      EXPECT_TRUE(run.platform.messageBoxes.empty());
    }
    EXPECT_TRUE(run.ProfileWritten());
  }
  // The texts as the program has them.
  BookRun run;
  run.platform.SetDiskFree(5 * kMb);
  GoOnPastStartDialog(run);
  run.platform.WhenIdle([&] { run.platform.Key(VK_RETURN); });
  run.Run();
  ASSERT_EQ(run.platform.messageBoxes.size(), 1u);
  EXPECT_EQ(run.platform.messageBoxes[0].text,
            "You have less then 10 MB of free disk space remaining on your hard drive.Windows "
            "requires sufficient disk space to run the program.Delete unnecessary files and try "
            "again.");
}

namespace {

// One key of a scripted sequence: down or up.
struct KeyStep {
  bool down;
  UINT vk;
  bool repeat = false;
};

struct CopyPrintCase {
  const char* name;
  std::vector<KeyStep> keys;
  int copies;
  int prints;
};

const CopyPrintCase kCopyPrintCases[] = {
    {"ctrl+c", {{true, VK_CONTROL}, {true, 'C'}, {false, 'C'}, {false, VK_CONTROL}}, 1, 0},
    {"ctrl+p", {{true, VK_CONTROL}, {true, 'P'}, {false, 'P'}, {false, VK_CONTROL}}, 0, 1},
    {"c alone", {{true, 'C'}, {false, 'C'}}, 0, 0},
    {"p alone", {{true, 'P'}, {false, 'P'}}, 0, 0},
    {"c twice on one ctrl press",
     {{true, VK_CONTROL},
      {true, 'C'},
      {false, 'C'},
      {true, 'C'},
      {false, 'C'},
      {false, VK_CONTROL}},
     1,
     0},
    {"c twice with ctrl repeating between",
     {{true, VK_CONTROL},
      {true, 'C'},
      {false, 'C'},
      {true, VK_CONTROL, true},
      {true, 'C'},
      {false, 'C'},
      {false, VK_CONTROL}},
     2,
     0},
    {"ctrl released first",
     {{true, VK_CONTROL}, {false, VK_CONTROL}, {true, 'C'}, {false, 'C'}},
     0,
     0},
};

void Play(BookRun& run, const std::vector<KeyStep>& keys) {
  for (const KeyStep& k : keys) {
    if (k.down) {
      run.platform.KeyDown(k.vk, k.repeat);
    } else {
      run.platform.KeyUp(k.vk);
    }
  }
}

}  // namespace

// The frame has the keyboard after start-up; the main screen once the stage
// has been clicked. Both reach the same copy-or-print entry.
TEST(Shell, CtrlCopiesAndPrintsOnTheFrameAndOnTheMainScreen) {
  for (bool onScreen : {false, true}) {
    for (const CopyPrintCase& c : kCopyPrintCases) {
      SCOPED_TRACE(std::string(c.name) + (onScreen ? " on the main screen" : " on the frame"));
      BookRun run;
      GoOnPastStartDialog(run);
      bool focusRight = false;
      run.platform.WhenIdle([&] {
        if (onScreen) run.platform.Click(400, 300);
      });
      run.platform.WhenIdle([&] {
        CMainFrame* frame = BookRun::Frame();
        focusRight = CWnd::GetFocus() == (onScreen ? static_cast<CWnd*>(&frame->m_mainScreen)
                                                   : static_cast<CWnd*>(frame));
        Play(run, c.keys);
      });
      int copies = -1, prints = -1;
      run.platform.WhenIdle([&] {
        copies = BookRun::Frame()->m_mainScreen.m_pageView.m_nCopyRequests;
        prints = BookRun::Frame()->m_mainScreen.m_pageView.m_nPrintRequests;
      });
      run.Run();
      EXPECT_TRUE(focusRight);
      EXPECT_EQ(copies, c.copies);
      EXPECT_EQ(prints, c.prints);
    }
  }
}

TEST(Shell, F1RunsTheAboutBoxModallyAndEscapeClosesOnlyIt) {
  BookRun run;
  GoOnPastStartDialog(run);
  run.platform.WhenIdle([&] { run.platform.Key(VK_F1); });
  std::string caption;
  bool frameDisabled = false;
  run.platform.WhenIdle([&] {
    caption = ActiveDialogCaption();
    frameDisabled = !AfxGetMainWnd()->IsWindowEnabled();
    run.platform.Key(VK_ESCAPE);
  });
  bool back = false;
  run.platform.WhenIdle([&] {
    back =
        fw::ActiveModalDialog() == nullptr && AfxGetMainWnd() && AfxGetMainWnd()->IsWindowEnabled();
  });
  run.Run();
  EXPECT_EQ(caption, "About Pippalee");
  EXPECT_TRUE(frameDisabled);
  EXPECT_TRUE(back);
  EXPECT_TRUE(run.platform.messageBoxes.empty()) << "Esc in the About box asked to exit";
}

// The About box ends by its Close button, by Enter and by Esc alike, and only
// it ends: the book goes on behind it.
TEST(Shell, TheAboutBoxClosesByItsButtonEnterAndEscape) {
  struct Case {
    const char* name;
    std::function<void(BookRun&)> close;
  };
  const Case cases[] = {
      {"Close clicked", [](BookRun& run) { EXPECT_TRUE(run.platform.ClickDialogButton(IDOK)); }},
      {"Enter", [](BookRun& run) { run.platform.Key(VK_RETURN); }},
      {"Esc", [](BookRun& run) { run.platform.Key(VK_ESCAPE); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    GoOnPastStartDialog(run);
    run.platform.WhenIdle([&] { run.platform.Key(VK_F1); });
    std::string caption;
    run.platform.WhenIdle([&] {
      caption = ActiveDialogCaption();
      c.close(run);
    });
    bool back = false;
    run.platform.WhenIdle([&] {
      back = fw::ActiveModalDialog() == nullptr && AfxGetMainWnd() &&
             AfxGetMainWnd()->IsWindowVisible() && AfxGetMainWnd()->IsWindowEnabled();
    });
    run.Run();
    EXPECT_EQ(caption, "About Pippalee");
    EXPECT_TRUE(back);
    EXPECT_FALSE(run.processExited);
    EXPECT_TRUE(run.platform.messageBoxes.empty());
  }
}

TEST(Shell, ButtonReleaseOnTheMarginReachesTheMainScreen) {
  BookRun run;
  testing_support::WriteTune(run.contentDir + "/midi/10.mid");
  GoOnPastStartDialog(run);
  size_t before = 0;
  run.platform.WhenIdle([&] {
    before = run.platform.sounds.Events().size();
    run.platform.PressMouse(10, 10);
    run.platform.ReleaseMouse(10, 10);
  });
  std::vector<std::string> log;
  run.platform.WhenIdle([&] { log = testing_support::SoundLog(run.platform, before); });
  run.Run();
  // The main screen's release pauses the tune.
  EXPECT_EQ(log, std::vector<std::string>{"pause 10.mid"});
}

TEST(Shell, CancelInTheStartDialogEndsTheProgram) {
  for (UINT way : {0u, static_cast<UINT>(VK_ESCAPE)}) {
    BookRun run;
    run.platform.WhenIdle([&] {
      if (way == 0) {
        run.platform.ClickDialogButton(1026);
      } else {
        run.platform.Key(VK_ESCAPE);
      }
    });
    // The program ends by itself: the user's next action never comes.
    bool wentOn = false;
    run.platform.WhenIdle([&] { wentOn = true; });
    run.Run();
    EXPECT_FALSE(wentOn);
    EXPECT_EQ(run.exitCode, 0);
    for (const auto& [id, w] : run.platform.windows) {
      if (w.desc.fullScreen) {
        EXPECT_FALSE(w.shown) << "the frame was shown";
      }
    }
    EXPECT_TRUE(run.ProfileWritten());
  }
}

// OK goes on to the book, whether it is clicked, its command comes by its
// identifier, or Enter is pressed (which takes the dialog's own OK path).
TEST(Shell, OkInTheStartDialogGoesOnToTheBook) {
  struct Case {
    const char* name;
    std::function<void(BookRun&)> answer;
  };
  const Case cases[] = {
      {"OK clicked",
       [](BookRun& run) { EXPECT_TRUE(run.platform.ClickDialogButton(resources::IDC_START_OK)); }},
      {"command 1025",
       [](BookRun&) {
         fw::ActiveModalDialog()->PostMessage(
             WM_COMMAND, static_cast<WPARAM>(resources::IDC_START_OK) | (BN_CLICKED << 16), 0);
       }},
      {"Enter", [](BookRun& run) { run.platform.Key(VK_RETURN); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    run.platform.WhenIdle([&] { c.answer(run); });
    bool wentOn = false, frameShown = false, profileBeforeEnd = true;
    run.platform.WhenIdle([&] {
      wentOn = fw::ActiveModalDialog() == nullptr;
      frameShown = AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible();
      profileBeforeEnd = run.ProfileWritten();
    });
    run.Run();
    EXPECT_TRUE(wentOn);
    EXPECT_TRUE(frameShown);
    EXPECT_FALSE(profileBeforeEnd) << "the book ended";
    EXPECT_FALSE(run.processExited);
    EXPECT_TRUE(run.platform.messageBoxes.empty());
  }
}

TEST(Shell, LockFileIsMadeAndALockHeldElsewhereTurnsTheCopyAway) {
  {
    BookRun run;
    testing_support::WriteFile(run.contentDir + "/test.dat", "left by an earlier run");
    GoOnPastStartDialog(run);
    run.Run();
    EXPECT_EQ(std::filesystem::file_size(run.contentDir + "/test.dat"), 0u);
  }
  {
    // Another copy holds the lock: this one ends silently.
    BookRun run;
    CFile held;
    ASSERT_TRUE(held.Open((run.contentDir + "/test.dat").c_str(),
                          CFile::modeCreate | CFile::modeRead | CFile::shareExclusive));
    GoOnPastStartDialog(run);
    run.Run();
    EXPECT_TRUE(run.platform.windows.empty());
    EXPECT_TRUE(run.platform.messageBoxes.empty());
  }
  {
    // A lock file that cannot be made does not stop the book.
    BookRun run;
    std::filesystem::create_directories(run.contentDir + "/test.dat");
    GoOnPastStartDialog(run);
    bool shown = false;
    run.platform.WhenIdle([&] { shown = AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible(); });
    run.Run();
    EXPECT_TRUE(shown);
  }
}

namespace {

// A stand-in for a running copy: answers the requests a second copy sends.
struct FakeRunningCopy {
  std::vector<std::string> requests;
  bool iconic = false;
  std::string Handle(const fw::InstanceRequest& r) {
    requests.push_back(r.command + " " + std::to_string(r.window));
    if (r.command == "FIND") return "7";
    if (r.command == "POPUP") return "9";
    if (r.command == "ICONIC") return iconic ? "1" : "0";
    return "OK";
  }
};

}  // namespace

TEST(Shell, SecondCopyActivatesTheRunningOneAndEnds) {
  for (bool iconic : {false, true}) {
    SCOPED_TRACE(iconic ? "minimised" : "not minimised");
    BookRun run;
    const std::string scope = "shell-test-" + std::to_string(getpid()) + (iconic ? "i" : "n");
    run.platform.SetInstanceScope(scope);
    FakeRunningCopy first;
    first.iconic = iconic;
    fw::PublishTitle(scope, "Pippalee");
    std::atomic<bool> done{false};
    // The fake first copy answers on its own thread, as another process would.
    std::thread server([&] {
      while (!done) {
        fw::ServeInstanceRequests([&](const fw::InstanceRequest& r) { return first.Handle(r); });
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    run.Run();
    done = true;
    server.join();
    fw::WithdrawAllTitles();
    EXPECT_TRUE(run.platform.windows.empty()) << "the second copy made a window";
    std::vector<std::string> expected = {"FIND 0", "POPUP 7", "ICONIC 7"};
    if (iconic) expected.push_back("RESTORE 7");
    expected.push_back("FOCUS 7");
    expected.push_back("FOREGROUND 9");
    EXPECT_EQ(first.requests, expected);
    EXPECT_FALSE(std::filesystem::exists(run.contentDir + "/test.dat"));
  }
}

TEST(Shell, RunningCopyShowsItsStartDialogWhenASecondCopyAsks) {
  BookRun run;
  const std::string scope = "shell-test-first-" + std::to_string(getpid());
  run.platform.SetInstanceScope(scope);
  std::vector<std::string> replies;
  std::uint64_t dialogSerial = 0;
  size_t activationsBefore = 0;
  run.platform.WhenIdle([&] {
    CDialog* start = fw::ActiveModalDialog();
    ASSERT_NE(start, nullptr);
    dialogSerial = start->m_hWnd->serial;
    activationsBefore = run.platform.activations.size();
    // The second copy asks from another thread; this one answers meanwhile.
    std::atomic<bool> asked{false};
    std::thread second([&] {
      std::string id, popup, reply;
      fw::AskInstance(scope, "Pippalee", "FIND", 0, &id);
      const std::uint64_t frame = std::strtoull(id.c_str(), nullptr, 10);
      fw::AskInstance(scope, "Pippalee", "POPUP", frame, &popup);
      fw::AskInstance(scope, "Pippalee", "FOREGROUND", std::strtoull(popup.c_str(), nullptr, 10),
                      &reply);
      replies = {id, popup, reply};
      asked = true;
    });
    while (!asked) {
      fw::ServeInstanceRequests(fw::HandleInstanceRequest);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    second.join();
  });
  GoOnPastStartDialog(run);
  run.Run();
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_NE(replies[0], "0") << "the hidden frame was not found by its title";
  EXPECT_EQ(replies[1], std::to_string(dialogSerial));
  EXPECT_EQ(replies[2], "OK");
  EXPECT_GT(run.platform.activations.size(), activationsBefore);
}
