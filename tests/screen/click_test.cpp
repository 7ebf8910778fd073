// Clicks on the stage: which region a press hits, the presses dropped while
// a click is handled, the title corner, and the stepping of the books.
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
  int afterDropped = 0, afterTitle = 0, bookTwo = 0, lastBook = 0;
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
    // A double click's second press does nothing.
    at(15000, [&] {
      ClickStage(s.run, 25, 120);
      ClickStage(s.run, 25, 120);
    });
    at(16000, [&] {
      bookTwo = Screen().m_nPagesShown;
      lastBook = Screen().m_nLastBook;
    });
  });
  s.run.Run();
  EXPECT_EQ(afterTitle, -1);
  EXPECT_EQ(afterDropped, 1);
  // Page 1, page 2, (dropped), page 3, then the double click's first press
  // closes the book.
  EXPECT_EQ(bookTwo, 0);
  EXPECT_EQ(lastBook, 2);
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
