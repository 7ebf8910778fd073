// Clicks on the stage: which region a press hits, the presses dropped while
// a click is handled, double clicks, the title corner, the stepping of the
// books, and the faces shown while a click waits.
#include <gtest/gtest.h>

#include "framework/mci.h"
#include "tests/support/stage_fixture.h"

using namespace testing_support;

namespace {

CMainScreen& Screen() { return BookRun::Frame()->m_mainScreen; }
CPageView& View() { return Screen().m_pageView; }

std::string FaceOf(int band) {
  const std::uint32_t p = StagePixel(0, 59 + 42 * band);
  for (const StagePicture& s : StagePictures()) {
    if (s.colour.Value() == p) return s.name;
  }
  return "?";
}

// A run of the book on the small stage, with the documents beside it.
struct StageRun {
  BookRun run;
  StageRun() {
    WriteStage(run.contentDir);
    WriteFile(run.contentDir + "/about.doc", "about");
    WriteFile(run.contentDir + "/order.doc", "order");
    PassStartDialog(run);
  }
  void Pages(int book, int count) {
    for (int p = 1; p <= count; ++p) WritePage(run.contentDir, book, p);
  }
  size_t Mark() const { return run.platform.sounds.Events().size(); }
  // The time of the first start of the named sound after event `from`.
  DWORD PlayedAt(const std::string& name, size_t from) const {
    const auto& events = run.platform.sounds.Events();
    for (size_t i = from; i < events.size(); ++i) {
      if (events[i].what == fw::headless::SoundEvent::What::Play &&
          std::filesystem::path(events[i].path).filename() == name) {
        return events[i].time;
      }
    }
    return 0;
  }
};

}  // namespace

TEST(Click, EachRegionOfTheStageDoesItsOwnThing) {
  struct Case {
    const char* name;
    int x, y;
    std::vector<std::string> played;
    const char* document;  // opened in the viewer, or null
    DWORD handling;        // ms the click took
    int lastBook;
  };
  const Case cases[] = {
      {"top row of book 1's band", 25, 59, {"click.wav", "B01_01.wav"}, nullptr, 0, 1},
      {"title corner above it", 25, 58, {"intro2.wav"}, nullptr, 1000 + 1000 + 17 * 360, -1},
      {"title corner's right edge", 50, 30, {"intro2.wav"}, nullptr, 1000 + 1000 + 17 * 360, -1},
      {"the column's foot", 25, 479, {}, nullptr, 0, -1},
      {"between column and page", 50, 70, {}, nullptr, 0, -1},
      {"between order button and about bar", 240, 20, {}, nullptr, 0, -1},
      {"order button", 100, 20, {"click.wav", "Order.wav"}, "order.doc", 25 + 4000, -1},
      {"about bar", 300, 20, {"intro1.wav"}, "about.doc", 100 + 100 + 17 * 360, -1},
      {"page area", 300, 200, {"10.mid"}, nullptr, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StageRun s;
    s.Pages(1, 2);
    WriteNarration(s.run.contentDir, "B01_01.wav");
    size_t mark = 0;
    std::vector<std::string> played;
    bool focused = false;
    std::uint32_t orderFace = 0;
    DWORD handling = 1;
    int lastBook = 0;
    Script(s.run,
           {[&] {
              mark = s.Mark();
              ClickStage(s.run, c.x, c.y);
            },
            [&] {
              played = SoundsPlayed(s.run.platform, mark);
              focused = CWnd::GetFocus() == &Screen();
              orderFace = StagePixel(100, 20);
              handling = Screen().m_dwHandleTime;
              lastBook = Screen().m_nLastBook;
            }},
           10000);
    s.run.Run();
    EXPECT_EQ(played, c.played);
    EXPECT_TRUE(focused);
    EXPECT_EQ(handling, c.handling);
    EXPECT_EQ(lastBook, c.lastBook);
    EXPECT_EQ(orderFace, StageColour("Title2U.png").Value());
    if (c.document) {
      ASSERT_EQ(s.run.platform.viewers.size(), 1u);
      EXPECT_EQ(std::filesystem::path(s.run.platform.viewers[0].document).filename(), c.document);
    } else {
      EXPECT_TRUE(s.run.platform.viewers.empty());
    }
  }
}

TEST(Click, PressesMadeWhileAClickIsHandledAreDropped) {
  StageRun s;
  s.Pages(1, 3);
  s.Pages(2, 3);
  int afterDropped = 0, afterTitle = 0, bookTwo = 0, bookOne = 0, lastBook = 0;
  s.run.platform.WhenIdle([&] {
    const DWORD t = s.run.platform.Now() + 1000;
    auto at = [&](DWORD when, std::function<void()> f) { s.run.platform.At(t + when, f); };
    // The title corner takes over 8 s; a press on book 1 made 300 ms in
    // waits in the queue and is dropped.
    at(0, [&] { ClickStage(s.run, 25, 30); });
    at(300, [&] { ClickStage(s.run, 25, 80); });
    at(9000, [&] { afterTitle = Screen().m_nLastBook; });
    // Pressed after the handling ended: taken.
    at(10000, [&] { ClickStage(s.run, 25, 80); });
    at(11000, [&] { afterDropped = Screen().m_nPagesShown; });
    // Book 2's second page takes 100 ms; a press 50 ms into it is dropped,
    // one 200 ms after it is not.
    at(12000, [&] { ClickStage(s.run, 25, 120); });
    at(13000, [&] { ClickStage(s.run, 20, 120); });
    at(13050, [&] { ClickStage(s.run, 40, 130); });
    at(13200, [&] { ClickStage(s.run, 10, 110); });
    at(14000, [&] { bookTwo = Screen().m_nPagesShown; });
    // A double click's second press does nothing. Book 1 starts again at its
    // first page, which takes no time, so the second press is not dropped
    // for coming too soon: only being a double click keeps it from turning.
    at(15000, [&] {
      ClickStage(s.run, 25, 80);
      ClickStage(s.run, 25, 80);
    });
    at(16000, [&] {
      bookOne = Screen().m_nPagesShown;
      lastBook = Screen().m_nLastBook;
    });
  });
  s.run.Run();
  EXPECT_EQ(afterTitle, -1);
  EXPECT_EQ(afterDropped, 1);
  // Page 1, page 2, (dropped), page 3.
  EXPECT_EQ(bookTwo, 3);
  EXPECT_EQ(bookOne, 1);
  EXPECT_EQ(lastBook, 1);
}

// The edges of the suppression: a press is measured against the last press
// taken, and taken once that press's handling time has passed.
TEST(Click, APressIsTakenOnceTheLastClicksHandlingTimeHasPassed) {
  struct Case {
    const char* name;
    std::vector<DWORD> presses;  // ms after a press that takes 100 ms to handle
    int pagesShown;
    DWORD clickTime;  // ms after that press: the last press taken
  };
  const Case cases[] = {
      {"exactly the handling time later: taken", {100}, 3, 100},
      {"a millisecond sooner: dropped", {99}, 2, 0},
      {"a dropped press leaves the click time alone", {50, 100}, 3, 100},
      {"two dropped presses", {30, 60, 99}, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StageRun s;
    s.Pages(2, 4);
    int pagesShown = 0;
    DWORD press = 0, clickTime = 0, handling = 0;
    Script(s.run, {[&] { ClickBook(s.run, 2); },
                   [&] {
                     // Page 2 takes 100 ms; the presses below come meanwhile
                     // and wait in the queue, each in a place of its own so
                     // that none makes a double click.
                     press = s.run.platform.Now();
                     ClickStage(s.run, 25, 120);
                     for (size_t i = 0; i < c.presses.size(); ++i) {
                       const int x = 5 + 8 * static_cast<int>(i);
                       s.run.platform.At(press + c.presses[i],
                                         [&s, x] { ClickStage(s.run, x, 110); });
                     }
                   },
                   [&] {
                     pagesShown = Screen().m_nPagesShown;
                     clickTime = Screen().m_dwClickTime - press;
                     handling = Screen().m_dwHandleTime;
                   }});
    s.run.Run();
    EXPECT_EQ(pagesShown, c.pagesShown);
    EXPECT_EQ(clickTime, c.clickTime);
    EXPECT_EQ(handling, 100u);
  }
}

TEST(Click, ADroppedPressStillGivesTheFocusToTheMainScreen) {
  StageRun s;
  s.Pages(1, 2);
  bool focusElsewhere = false, focused = false;
  int pagesShown = -1;
  Script(s.run, {[&] {
                   // The last click taken came 10 ms ago and took a second to
                   // handle; meanwhile the frame has the keyboard.
                   Screen().m_dwClickTime = s.run.platform.Now() - 10;
                   Screen().m_dwHandleTime = 1000;
                   BookRun::Frame()->SetFocus();
                   focusElsewhere = CWnd::GetFocus() == BookRun::Frame();
                   ClickBook(s.run, 1);
                 },
                 [&] {
                   focused = CWnd::GetFocus() == &Screen();
                   pagesShown = Screen().m_nPagesShown;
                 }});
  s.run.Run();
  EXPECT_TRUE(focusElsewhere);
  EXPECT_EQ(pagesShown, 0) << "the press was not dropped";
  EXPECT_TRUE(focused);
}

// Pressing the page takes no time to handle, so nothing drops a second press
// but its being the second press of a double click.
TEST(Click, TheSecondPressOfADoubleClickOnThePageDoesNotPlayTheTuneAgain) {
  struct Case {
    const char* name;
    DWORD gap;  // between the two clicks
    std::vector<std::string> sounds;
  };
  const Case cases[] = {
      {"double click", 0, {"play 10.mid", "pause 10.mid", "pause 10.mid"}},
      {"within the double-click time", 500, {"play 10.mid", "pause 10.mid", "pause 10.mid"}},
      {"two clicks", 501, {"play 10.mid", "pause 10.mid", "play 10.mid", "pause 10.mid"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StageRun s;
    size_t mark = 0;
    std::vector<std::string> log;
    DWORD handling = 1;
    Script(s.run, {[&] {
                     mark = s.Mark();
                     ClickStage(s.run, 300, 200);
                     s.run.platform.At(s.run.platform.Now() + c.gap,
                                       [&] { ClickStage(s.run, 300, 200); });
                   },
                   [&] {
                     log = SoundLog(s.run.platform, mark);
                     handling = Screen().m_dwHandleTime;
                   }});
    s.run.Run();
    EXPECT_EQ(log, c.sounds);
    EXPECT_EQ(handling, 0u);
  }
}

TEST(Click, TitleCornerWaitsASecondMoreTheFirstTimeAndAnimates) {
  StageRun s;
  std::vector<std::pair<DWORD, std::uint32_t>> shown;  // time, title corner
  DWORD firstPress = 0, secondPress = 0, firstVoice = 0, secondVoice = 0;
  size_t firstMark = 0, secondMark = 0;
  Script(s.run,
         {[&] {
            firstMark = s.Mark();
            firstPress = s.run.platform.Now();
            s.run.platform.onPresent = [&](fw::NativeWindowId, const fw::Surface& surface) {
              shown.emplace_back(s.run.platform.Now(), surface.Pixel(kStageX + 10, kStageY + 10));
            };
            ClickStage(s.run, 25, 30);
          },
          [&] {
            s.run.platform.onPresent = nullptr;
            secondMark = s.Mark();
            secondPress = s.run.platform.Now();
            ClickStage(s.run, 25, 30);
          },
          [&] {
            firstVoice = s.PlayedAt("intro2.wav", firstMark);
            secondVoice = s.PlayedAt("intro2.wav", secondMark);
          }},
         10000);
  s.run.Run();
  EXPECT_EQ(firstVoice - firstPress, 2000u);
  EXPECT_EQ(secondVoice - secondPress, 1000u);
  const int sequence[17] = {0, 1, 2, 1, 0, 3, 4, 3, 0, 1, 2, 1, 0, 3, 4, 3, 0};
  std::vector<std::pair<DWORD, std::uint32_t>> frames;
  for (const auto& f : shown) {
    if (f.first >= firstVoice) frames.push_back(f);
  }
  ASSERT_EQ(frames.size(), 17u);
  for (int i = 0; i < 17; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const std::string name = "Title_animate" + std::to_string(sequence[i] + 1) + ".png";
    EXPECT_EQ(frames[static_cast<size_t>(i)].second, StageColour(name).Value());
    EXPECT_EQ(frames[static_cast<size_t>(i)].first - firstVoice, static_cast<DWORD>(360 * i));
  }
}

TEST(Click, ABookStepsThroughItsPagesThenClosesAndStartsAgain) {
  StageRun s;
  s.Pages(3, 4);
  for (int p = 1; p <= 4; ++p)
    WriteNarration(s.run.contentDir, "B03_0" + std::to_string(p) + ".wav");
  std::vector<std::vector<std::string>> played;
  std::vector<int> pagesShown, viewPage, viewBook, closed;
  std::vector<std::string> faces;
  std::vector<std::uint32_t> page;
  std::vector<std::function<void()>> steps;
  size_t mark = 0;
  auto record = [&] {
    played.push_back(SoundsPlayed(s.run.platform, mark));
    pagesShown.push_back(Screen().m_nPagesShown);
    viewPage.push_back(View().m_nPage);
    viewBook.push_back(View().m_nBook);
    closed.push_back(Screen().m_bBookClosed);
    faces.push_back(FaceOf(2));
    page.push_back(FrameSurface().Pixel(kStageX + 60, kStageY + 50));
  };
  for (int i = 0; i < 6; ++i) {
    steps.push_back([&] {
      mark = s.Mark();
      ClickBook(s.run, 3);
    });
    steps.push_back(record);
  }
  Script(s.run, steps);
  s.run.Run();
  const std::vector<std::vector<std::string>> expected = {
      {"click.wav", "B03_01.wav"}, {"click.wav", "B03_02.wav"}, {"click.wav", "B03_03.wav"},
      {"click.wav", "B03_04.wav"}, {"click.wav", "Intro3.wav"}, {"click.wav", "B03_01.wav"},
  };
  EXPECT_EQ(played, expected);
  EXPECT_EQ(pagesShown, (std::vector<int>{1, 2, 3, 4, 0, 1}));
  EXPECT_EQ(viewPage, (std::vector<int>{0, 1, 2, 3, 0, 0}));
  EXPECT_EQ(viewBook, (std::vector<int>{2, 2, 2, 2, -1, 2}));
  EXPECT_EQ(closed, (std::vector<int>{0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(faces, (std::vector<std::string>{"Nav_u.png", "Nav_u.png", "Nav_u.png", "Nav_u.png",
                                             "But03u.png", "Nav_u.png"}));
  const std::vector<std::uint32_t> pages = {OutlineColour(3, 1), OutlineColour(3, 2),
                                            OutlineColour(3, 3), OutlineColour(3, 4),
                                            OutlineColour(0, 1), OutlineColour(3, 1)};
  EXPECT_EQ(page, pages);
}

TEST(Click, BooksCloseWithTheirOwnSound) {
  struct Case {
    int book;
    const char* element;  // the closing sound's name as the book gives it
  };
  const Case cases[] = {{6, "B99.wav"}, {2, "intro3.wav"}, {5, "Intro3.wav"}, {10, "Intro3.wav"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.book);
    StageRun s;  // no pages: a click closes the book at once
    size_t mciMark = 0;
    std::vector<std::string> opened;
    std::string face;
    Script(s.run, {[&] {
                     mciMark = s.run.platform.mci.size();
                     ClickBook(s.run, c.book);
                   },
                   [&] {
                     for (size_t i = mciMark; i < s.run.platform.mci.size(); ++i) {
                       const fw::MciRecord& r = s.run.platform.mci[i];
                       if (r.command == MCI_OPEN) {
                         opened.push_back(r.element.substr(r.element.find_last_of("/\\") + 1));
                       }
                     }
                     face = FaceOf(c.book - 1);
                   }});
    s.run.Run();
    EXPECT_EQ(opened, (std::vector<std::string>{"Click.Wav", c.element}));
    EXPECT_EQ(face, "But" + std::string(c.book < 10 ? "0" : "") + std::to_string(c.book) + "u.png");
  }
}

TEST(Click, ChoosingAnotherBookForgetsThePlaceAndRestoresTheFace) {
  StageRun s;
  s.Pages(1, 3);
  s.Pages(5, 1);
  WriteNarration(s.run.contentDir, "B01_01.wav");
  std::string faceOfBook1, faceOfBook5;
  std::vector<std::string> played;
  int pagesShown = 0, viewPage = -1;
  size_t mark = 0;
  Script(s.run,
         {[&] { ClickBook(s.run, 1); }, [&] { ClickBook(s.run, 1); }, [&] { ClickBook(s.run, 5); },
          [&] {
            faceOfBook1 = FaceOf(0);
            faceOfBook5 = FaceOf(4);
            mark = s.Mark();
            ClickBook(s.run, 1);
          },
          [&] {
            played = SoundsPlayed(s.run.platform, mark);
            pagesShown = Screen().m_nPagesShown;
            viewPage = View().m_nPage;
          }});
  s.run.Run();
  EXPECT_EQ(faceOfBook1, "But01u.png");
  EXPECT_EQ(faceOfBook5, "Nav_u.png");
  EXPECT_EQ(played, (std::vector<std::string>{"click.wav", "B01_01.wav"}));
  EXPECT_EQ(pagesShown, 1);
  EXPECT_EQ(viewPage, 0);
}

TEST(Click, NarrationNamesCountPagesWithTwoDigitsAndThenThree) {
  StageRun s;
  s.Pages(4, 10);
  WriteNarration(s.run.contentDir, "B04_09.wav");
  WriteNarration(s.run.contentDir, "B04_10.wav");
  std::vector<std::vector<std::string>> played;
  std::vector<std::function<void()>> steps;
  size_t mark = 0;
  for (int i = 0; i < 10; ++i) {
    steps.push_back([&] {
      mark = s.Mark();
      ClickBook(s.run, 4);
    });
    steps.push_back([&] { played.push_back(SoundsPlayed(s.run.platform, mark)); });
  }
  Script(s.run, steps);
  s.run.Run();
  ASSERT_EQ(played.size(), 10u);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(played[static_cast<size_t>(i)], std::vector<std::string>{"click.wav"});
  EXPECT_EQ(played[8], (std::vector<std::string>{"click.wav", "B04_09.wav"}));
  EXPECT_EQ(played[9], (std::vector<std::string>{"click.wav", "B04_10.wav"}));
}

TEST(Click, TheFirstPageSoundOfBook1AndThePauseOfBook10) {
  struct Case {
    const char* name;
    int book;
    bool narration;
    std::vector<std::string> first;  // sounds of the first click
    DWORD secondClickDelay;          // from the second press to its click sound
  };
  const Case cases[] = {
      {"book 1 without narration", 1, false, {"click.wav", "click.wav"}, 0},
      {"book 1 with narration", 1, true, {"click.wav", "B01_01.wav"}, 0},
      {"book 2 without narration", 2, false, {"click.wav"}, 0},
      {"book 2 with narration", 2, true, {"click.wav", "B02_01.wav"}, 0},
      {"book 9", 9, false, {"click.wav"}, 0},
      {"book 10", 10, false, {"click.wav"}, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StageRun s;
    s.Pages(c.book, 2);
    if (c.narration) {
      WriteNarration(s.run.contentDir, "B" + std::string(c.book < 10 ? "0" : "") +
                                           std::to_string(c.book) + "_01.wav");
    }
    std::vector<std::string> first;
    size_t mark = 0;
    DWORD press = 0, clickAt = 0, handling = 0;
    Script(s.run, {[&] {
                     mark = s.Mark();
                     ClickBook(s.run, c.book);
                   },
                   [&] {
                     first = SoundsPlayed(s.run.platform, mark);
                     mark = s.Mark();
                     press = s.run.platform.Now();
                     ClickBook(s.run, c.book);
                   },
                   [&] {
                     clickAt = s.PlayedAt("click.wav", mark);
                     handling = Screen().m_dwHandleTime;
                   }});
    s.run.Run();
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(clickAt - press, c.secondClickDelay);
    EXPECT_EQ(handling, 100u);
  }
}

namespace {

// What the stage showed at one showing: the face of each book button and of
// the order button, and how many sound events had happened by then.
constexpr int kOrderButton = 10;
struct Showing {
  size_t soundEvents;
  std::vector<std::string> faces;  // bands 0 to 9, then the order button
};

std::string FaceIn(const fw::Surface& surface, int region) {
  const int x = region == kOrderButton ? 100 : 0;
  const int y = region == kOrderButton ? 20 : CMainScreen::BandTop(region);
  const std::uint32_t p = surface.Pixel(kStageX + x, kStageY + y);
  for (const StagePicture& s : StagePictures()) {
    if (s.colour.Value() == p) return s.name;
  }
  return "?";
}

}  // namespace

// The faces a click shows while it waits, as shown on the screen (not merely
// drawn): each probe looks at a moment after the press, or at the moment a
// sound started, and sees what had been shown by then.
TEST(Click, TheFacesOfAClickAreShownAtItsPauses) {
  struct Probe {
    int at;             // ms after the press, or -1: when `sound` starts
    const char* sound;  // the sound, for at = -1
    int region;         // book button band 0 to 9, or the order button
    const char* face;
    std::vector<std::string> played;  // since the press, for at >= 0
  };
  struct Case {
    const char* name;
    int book;      // opened before the probed click, with narrated pages; 0 none
    int pages;     // of that book
    int x, y;      // the probed click, on the stage
    bool pending;  // the stage waits for a paint when the press comes
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {"a later page: the pressed face is shown before the page's sound",
       3,
       2,
       25,
       150,
       false,
       {{-1, "click.wav", 2, "Nav_d.png", {}},
        {-1, "B03_02.wav", 2, "Nav_d.png", {}},
        {50, nullptr, 2, "Nav_d.png", {"click.wav", "B03_02.wav"}},
        {1000, nullptr, 2, "Nav_u.png", {"click.wav", "B03_02.wav"}}}},
      {"book 1's own faces",
       1,
       2,
       25,
       70,
       false,
       {{50, nullptr, 0, "Nav1_d.png", {"click.wav", "B01_02.wav"}},
        {1000, nullptr, 0, "Nav1_u.png", {"click.wav", "B01_02.wav"}}}},
      {"book 10 pauses before its page's sound",
       10,
       2,
       25,
       450,
       false,
       {{50, nullptr, 9, "Nav_d.png", {}},
        {-1, "click.wav", 9, "Nav_d.png", {}},
        {1000, nullptr, 9, "Nav_u.png", {"click.wav", "B10_02.wav"}}}},
      {"the paint waiting when the press comes is done before the page's sound",
       3,
       2,
       25,
       150,
       true,
       {{-1, "B03_02.wav", 7, "But08u.png", {}},
        {50, nullptr, 7, "But08u.png", {"click.wav", "B03_02.wav"}}}},
      {"closing: pressed face, face at rest, up face, 100 ms apart",
       3,
       1,
       25,
       150,
       false,
       {{50, nullptr, 2, "Nav_d.png", {"click.wav"}},
        {150, nullptr, 2, "Nav_u.png", {"click.wav"}},
        {1000, nullptr, 2, "But03u.png", {"click.wav", "Intro3.wav"}}}},
      {"the order button is down for 25 ms",
       0,
       0,
       100,
       20,
       false,
       {{10, nullptr, kOrderButton, "Title2D.png", {"click.wav"}},
        {1000, nullptr, kOrderButton, "Title2U.png", {"click.wav", "Order.wav"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StageRun s;
    if (c.book) s.Pages(c.book, c.pages);
    for (int p = 1; p <= c.pages; ++p) {
      char name[32];
      std::snprintf(name, sizeof name, "B%02d_%02d.wav", c.book, p);
      WriteNarration(s.run.contentDir, name);
    }
    std::vector<Showing> shown;
    std::vector<Showing> seen(c.probes.size());
    std::vector<std::vector<std::string>> played(c.probes.size());
    size_t mark = 0;
    auto lastShown = [&] {
      return shown.empty() ? Showing{0, std::vector<std::string>(11, "(none)")} : shown.back();
    };
    std::vector<std::function<void()>> steps;
    if (c.book) steps.push_back([&] { ClickBook(s.run, c.book); });
    steps.push_back([&] {
      s.run.platform.onPresent = [&](fw::NativeWindowId, const fw::Surface& surface) {
        Showing now{s.run.platform.sounds.Events().size(), {}};
        for (int r = 0; r <= kOrderButton; ++r) now.faces.push_back(FaceIn(surface, r));
        shown.push_back(now);
      };
      if (c.pending) {
        // Something covers book 8's button, and is shown.
        CClientDC dc(&Screen());
        dc.FillSolidRect(0, CMainScreen::BandTop(7), 50, 42, RGB(1, 2, 3));
      }
    });
    steps.push_back([&] {
      // The stage is told to paint it again, and the press comes first.
      if (c.pending) Screen().Invalidate(FALSE);
      mark = s.Mark();
      const DWORD press = s.run.platform.Now();
      for (size_t i = 0; i < c.probes.size(); ++i) {
        if (c.probes[i].at < 0) continue;
        s.run.platform.At(press + static_cast<DWORD>(c.probes[i].at), [&, i] {
          seen[i] = lastShown();
          played[i] = SoundsPlayed(s.run.platform, mark);
        });
      }
      ClickStage(s.run, c.x, c.y);
    });
    steps.push_back([&] { s.run.platform.onPresent = nullptr; });
    Script(s.run, steps, 5000);
    s.run.Run();
    const auto& events = s.run.platform.sounds.Events();
    for (size_t i = 0; i < c.probes.size(); ++i) {
      const Probe& p = c.probes[i];
      SCOPED_TRACE(p.at < 0 ? std::string("when ") + p.sound + " starts"
                            : "at " + std::to_string(p.at) + " ms");
      if (p.at < 0) {
        // The last showing before the sound started.
        size_t start = events.size();
        for (size_t e = mark; e < events.size() && start == events.size(); ++e) {
          if (events[e].what == fw::headless::SoundEvent::What::Play &&
              std::filesystem::path(events[e].path).filename() == p.sound)
            start = e;
        }
        ASSERT_LT(start, events.size()) << p.sound << " never started";
        seen[i] = Showing{0, std::vector<std::string>(11, "(none)")};
        for (const Showing& w : shown) {
          if (w.soundEvents <= start) seen[i] = w;
        }
      } else {
        EXPECT_EQ(played[i], p.played);
      }
      ASSERT_EQ(seen[i].faces.size(), 11u);
      EXPECT_EQ(fw::FoldFileNameCase(seen[i].faces[static_cast<size_t>(p.region)]),
                fw::FoldFileNameCase(p.face));
    }
  }
}

// A press that arrives while the stage shows what it drew (a button lit by
// the move just before the press) is handled at once, not only when the next
// input or timer wakes the book.
TEST(Click, APressTakenInWhileTheStageIsShownIsHandledAtOnce) {
  StageRun s;
  s.Pages(1, 2);
  bool armed = false, pressed = false;
  DWORD pressedAt = 0;
  size_t mark = 0;
  s.run.platform.onPresent = [&](fw::NativeWindowId, const fw::Surface&) {
    if (!armed || pressed) return;
    pressed = true;
    pressedAt = s.run.platform.Now();
    ClickBook(s.run, 1);
  };
  s.run.platform.WhenIdle([&] {
    const DWORD t = s.run.platform.Now() + 1000;
    s.run.platform.At(t, [&] {
      mark = s.Mark();
      armed = true;
      // Over book 1's button: its face lights, and the stage is shown.
      s.run.platform.MoveMouse(kStageX + 25, kStageY + 80);
    });
    s.run.platform.At(t + 30000, [] {});
  });
  s.run.Run();
  ASSERT_TRUE(pressed);
  EXPECT_EQ(s.PlayedAt("click.wav", mark), pressedAt);
}
