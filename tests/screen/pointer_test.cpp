// The main screen's answers to the pointer: the lit book button, the two
// cursors, rubbing with the left button alone, and the tune around it.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/resources.h"
#include "resources/resources.h"
#include "tests/support/stage_fixture.h"

using namespace testing_support;

namespace {

CMainScreen& Screen() { return BookRun::Frame()->m_mainScreen; }
CPageView& View() { return Screen().m_pageView; }

struct Move {
  int x, y;
  UINT buttons = 0;
  UINT modifiers = 0;
};

void MoveOnStage(BookRun& run, const Move& m) {
  run.platform.MoveMouse(kStageX + m.x, kStageY + m.y, m.buttons, m.modifiers);
}

// The face each book button shows, by the colour of its top left pixel.
std::string FaceOf(int band) {
  const std::uint32_t p = StagePixel(0, 59 + 42 * band);
  for (const StagePicture& s : StagePictures()) {
    if (s.colour.Value() == p) return s.name;
  }
  return "?";
}

std::string UpFace(int band) {
  char name[32];
  std::snprintf(name, sizeof name, "But%02du.png", band + 1);
  return name;
}

bool Rubbed() {
  RECT box{};
  return View().m_rgnRevealed.GetRgnBox(&box) != NULLREGION;
}

const fw::CursorImage* Cursor(int id) { return &fw::FindCursor(id)->image; }

}  // namespace

TEST(Pointer, TheButtonUnderThePointerShowsItsDownFace) {
  struct Case {
    const char* name;
    std::vector<int> booksOpened;  // clicked first, in order
    std::vector<Move> moves;
    std::map<int, std::string> faces;  // bands not named show their up face
  };
  const Case cases[] = {
      {"first move in the title corner lights book 1", {}, {{25, 30}}, {{0, "But01D.png"}}},
      {"moving down to the next band", {}, {{25, 80}, {25, 120}}, {{1, "But02D.png"}}},
      {"a band's edge row belongs to no band", {}, {{25, 80}, {25, 101}}, {{0, "But01D.png"}}},
      {"the column's edges x = 0 and 50 are outside it", {}, {{0, 120}, {50, 120}}, {}},
      {"leaving the column keeps the lit button", {}, {{25, 80}, {300, 200}}, {{0, "But01D.png"}}},
      {"the open book keeps its navigation face",
       {3},
       {{25, 160}, {25, 200}},
       {{2, "Nav_u.png"}, {3, "But04D.png"}}},
      {"book 1 open keeps its own face", {1}, {{25, 80}}, {{0, "Nav1_u.png"}}},
      {"a closed book lights like any other", {3, 3, 3}, {{25, 160}}, {{2, "But03D.png"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    WriteStage(run.contentDir);
    WritePage(run.contentDir, 1, 1);
    WritePage(run.contentDir, 3, 1);
    WritePage(run.contentDir, 3, 2);
    PassStartDialog(run);
    std::vector<std::function<void()>> steps;
    for (int book : c.booksOpened) steps.push_back([&run, book] { ClickBook(run, book); });
    for (const Move& m : c.moves) steps.push_back([&run, m] { MoveOnStage(run, m); });
    std::vector<std::string> faces;
    steps.push_back([&] {
      for (int band = 0; band < 10; ++band) faces.push_back(FaceOf(band));
    });
    Script(run, steps);
    run.Run();
    ASSERT_EQ(faces.size(), 10u);
    for (int band = 0; band < 10; ++band) {
      auto it = c.faces.find(band);
      EXPECT_EQ(faces[static_cast<size_t>(band)], it == c.faces.end() ? UpFace(band) : it->second)
          << "band " << band;
    }
  }
}

TEST(Pointer, OnlyTheLeftButtonAloneInsideThePageAreaRubs) {
  struct Case {
    const char* name;
    Move move;
    int cursor;
    bool rubs;
  };
  const Case cases[] = {
      {"left button in the page", {300, 200, MK_LBUTTON}, resources::IDC_RUB, true},
      {"x = 50 is the button column's edge", {50, 200, MK_LBUTTON}, resources::IDC_POINT, false},
      {"x = 51", {51, 200, MK_LBUTTON}, resources::IDC_RUB, true},
      {"y = 40 is the top bar's edge", {300, 40, MK_LBUTTON}, resources::IDC_POINT, false},
      {"the last pixel", {639, 479, MK_LBUTTON}, resources::IDC_RUB, true},
      {"no button", {300, 200}, resources::IDC_RUB, false},
      {"left button and Shift", {300, 200, MK_LBUTTON, MK_SHIFT}, resources::IDC_RUB, false},
      {"left button and Ctrl", {300, 200, MK_LBUTTON, MK_CONTROL}, resources::IDC_RUB, false},
      {"both buttons", {300, 200, MK_LBUTTON | MK_RBUTTON}, resources::IDC_RUB, false},
      {"right button", {300, 200, MK_RBUTTON}, resources::IDC_RUB, false},
      {"over a book button", {25, 200, MK_LBUTTON}, resources::IDC_POINT, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    WriteStage(run.contentDir);
    PassStartDialog(run);
    const fw::CursorImage* cursor = nullptr;
    bool rubbed = false, narrationStopped = false;
    std::vector<std::string> log;
    size_t before = 0;
    Script(run, {[&] {
                   before = run.platform.sounds.Events().size();
                   MoveOnStage(run, c.move);
                 },
                 [&] {
                   cursor = run.platform.cursors.empty() ? nullptr : run.platform.cursors.back();
                   rubbed = Rubbed();
                   narrationStopped = Screen().m_pClip == nullptr;
                   log = SoundLog(run.platform, before);
                 }});
    run.Run();
    EXPECT_EQ(cursor, Cursor(c.cursor));
    EXPECT_EQ(rubbed, c.rubs);
    // Rubbing cuts the opening voice off; nothing else happens to the sounds.
    EXPECT_EQ(narrationStopped, c.rubs);
    EXPECT_EQ(log,
              c.rubs ? std::vector<std::string>{"close intro2.wav"} : std::vector<std::string>{});
  }
}

TEST(Pointer, TheTuneRewindsEvery53SecondsAndRubbingRestartsIt) {
  BookRun run;
  WriteStage(run.contentDir);
  std::vector<std::string> beforePaint, afterTick, afterRub, secondRub;
  int rewoundAfterTick = -1, rewoundAfterRub = -1;
  DWORD playedFrom = 1;
  size_t mark = 0;
  // The start dialog stays up past the timer's first tick.
  run.platform.WhenIdle([&] {
    const DWORD shown = run.platform.Now() + 60000;
    run.platform.At(shown, [&] { run.platform.Key(VK_RETURN); });
    run.platform.At(shown + 1000, [&] {
      beforePaint = SoundLog(run.platform);
      mark = run.platform.sounds.Events().size();
    });
    // The next tick comes within 53 s of the paint.
    const DWORD t = shown + 1000;
    run.platform.At(t + 53000, [&] {
      afterTick = SoundLog(run.platform, mark);
      rewoundAfterTick = CMainScreen::s_bTuneRewound;
      mark = run.platform.sounds.Events().size();
      MoveOnStage(run, {300, 200, MK_LBUTTON});
    });
    run.platform.At(t + 53100, [&] {
      afterRub = SoundLog(run.platform, mark);
      rewoundAfterRub = CMainScreen::s_bTuneRewound;
      const auto& events = run.platform.sounds.Events();
      for (size_t i = mark; i < events.size(); ++i) {
        if (events[i].what == fw::headless::SoundEvent::What::Play) playedFrom = events[i].position;
      }
      mark = events.size();
      MoveOnStage(run, {310, 210, MK_LBUTTON});
    });
    run.platform.At(t + 53200, [&] { secondRub = SoundLog(run.platform, mark); });
  });
  run.Run();
  // The tick while the start dialog was up did nothing to the tune.
  EXPECT_EQ(std::count(beforePaint.begin(), beforePaint.end(), "rewind 10.mid"), 0);
  EXPECT_EQ(afterTick, std::vector<std::string>{"rewind 10.mid"});
  EXPECT_EQ(rewoundAfterTick, 1);
  // The first rubbing move after the tick plays the tune from its beginning.
  EXPECT_EQ(afterRub,
            (std::vector<std::string>{"rewind 10.mid", "play 10.mid", "close intro2.wav"}));
  EXPECT_EQ(playedFrom, 0u);
  EXPECT_EQ(rewoundAfterRub, 0);
  EXPECT_TRUE(secondRub.empty());
}

TEST(Pointer, PressInThePageAreaPlaysTheTuneUntilTheRelease) {
  struct Case {
    const char* name;
    bool pressOnPage;
    DWORD holdFor;  // ms between the press and the drag into the page
    std::vector<std::string> sounds;
  };
  const Case cases[] = {
      {"press on the page", true, 2000, {"play 10.mid", "pause 10.mid"}},
      // A drag from a book button rubs in silence, cutting the click off.
      {"press on a book button",
       false,
       2000,
       {"open click.wav", "play click.wav", "close click.wav", "pause 10.mid"}},
      // Unless the timer rewound the tune meanwhile: then the drag starts it
      // from its beginning.
      {"press on a book button, held past the timer's tick",
       false,
       60000,
       {"open click.wav", "play click.wav", "rewind 10.mid", "rewind 10.mid", "play 10.mid",
        "close click.wav", "pause 10.mid"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    WriteStage(run.contentDir);
    WritePage(run.contentDir, 2, 1);
    PassStartDialog(run);
    std::vector<std::string> log;
    std::vector<DWORD> tuneFrom;  // where each start of the tune began
    bool rubbed = false;
    size_t mark = 0;
    run.platform.WhenIdle([&] {
      const DWORD press = run.platform.Now() + 2000;
      run.platform.At(press, [&] {
        mark = run.platform.sounds.Events().size();
        if (c.pressOnPage) {
          run.platform.PressMouse(kStageX + 300, kStageY + 200);
        } else {
          run.platform.PressMouse(kStageX + 25, kStageY + 120);
        }
      });
      run.platform.At(press + c.holdFor, [&] { MoveOnStage(run, {300, 220, MK_LBUTTON}); });
      run.platform.At(press + c.holdFor + 1000,
                      [&] { run.platform.ReleaseMouse(kStageX + 300, kStageY + 220); });
      run.platform.At(press + c.holdFor + 2000, [&] {
        log = SoundLog(run.platform, mark);
        rubbed = Rubbed();
        const auto& events = run.platform.sounds.Events();
        for (size_t i = mark; i < events.size(); ++i) {
          if (events[i].what == fw::headless::SoundEvent::What::Play &&
              events[i].kind == fw::SoundKind::Midi)
            tuneFrom.push_back(events[i].position);
        }
      });
    });
    run.Run();
    EXPECT_TRUE(rubbed);
    std::vector<std::string> tune;
    for (const std::string& s : log) {
      if (s.find("10.mid") != std::string::npos || s.find("click") != std::string::npos)
        tune.push_back(s);
    }
    EXPECT_EQ(tune, c.sounds);
    if (c.holdFor > 53000) {
      EXPECT_EQ(tuneFrom, std::vector<DWORD>{0});
    }
  }
}

// A paint draws every button's up face, the one under the pointer too, and
// the pointer lights a button again only on entering another band.
TEST(Pointer, AfterAPaintTheButtonUnderThePointerShowsItsUpFaceUntilAnotherBand) {
  struct Case {
    const char* name;
    std::vector<Move> moves;  // after the paint
    std::map<int, std::string> faces;
  };
  const Case cases[] = {
      {"no move", {}, {}},
      {"a move within the same band", {{30, 125}}, {}},
      {"a move onto the band's edge row", {{30, 143}}, {}},
      {"a move out of the column and back", {{300, 200}, {25, 120}}, {}},
      {"a move into the next band", {{25, 160}}, {{2, "But03D.png"}}},
      {"a move into the band above", {{25, 80}}, {{0, "But01D.png"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    WriteStage(run.contentDir);
    PassStartDialog(run);
    std::string lit;
    std::vector<std::function<void()>> steps;
    steps.push_back([&] { MoveOnStage(run, {25, 120}); });
    steps.push_back([&] {
      lit = FaceOf(1);
      // Covered by another window and uncovered: the stage paints again.
      run.platform.CoverAndUncover(BookRun::Frame()->m_hWnd->native);
    });
    for (const Move& m : c.moves) steps.push_back([&run, m] { MoveOnStage(run, m); });
    std::vector<std::string> faces;
    steps.push_back([&] {
      for (int band = 0; band < 10; ++band) faces.push_back(FaceOf(band));
    });
    Script(run, steps);
    run.Run();
    EXPECT_EQ(lit, "But02D.png");
    ASSERT_EQ(faces.size(), 10u);
    for (int band = 0; band < 10; ++band) {
      auto it = c.faces.find(band);
      EXPECT_EQ(faces[static_cast<size_t>(band)], it == c.faces.end() ? UpFace(band) : it->second)
          << "band " << band;
    }
  }
}
