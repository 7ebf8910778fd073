// The page view on the headless platform: counting pages on disk, turning
// pages with the slide, and painting the cover or the page on show.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "framework/dialog.h"
#include "framework/path_resolver.h"
#include "framework/showing.h"
#include "tests/support/stage_fixture.h"

using namespace testing_support;

namespace {

CPageView& View() { return BookRun::Frame()->m_mainScreen.m_pageView; }

// The page view's (0, 0) on the frame's surface: the stage's (50, 40).
constexpr int kViewX = kStageX + 50;
constexpr int kViewY = kStageY + 40;
std::uint32_t ViewPixel(const fw::Surface& s, int x, int y) {
  return s.Pixel(kViewX + x, kViewY + y);
}
std::uint32_t ViewPixel(int x, int y) { return ViewPixel(FrameSurface(), x, y); }

bool RegionEmpty(const CRgn& rgn) {
  RECT box{};
  return rgn.GetSafeHandle() && rgn.GetRgnBox(&box) == NULLREGION;
}

// A copy of the frame's pixels at one moment.
struct Capture {
  int width = 0;
  std::vector<std::uint32_t> pixels;
  explicit Capture(const fw::Surface& s) : width(s.width) {
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width; ++x) pixels.push_back(s.Pixel(x, y));
    }
  }
  std::uint32_t View(int x, int y) const {
    return pixels[static_cast<size_t>((kViewY + y) * width + kViewX + x)];
  }
};

// Makes dir the process's current directory for the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& dir) {
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

void RepaintView() {
  View().Invalidate(FALSE);
  View().UpdateWindow();
}

}  // namespace

TEST(PageView, CountsTheOutlineFilesPresentAmongPages01To99) {
  struct Book {
    int book;
    std::vector<std::string> files;
    int count;
  };
  const std::vector<Book> books = {
      {1,
       {"PL01_01b.png", "PL01_02b.png", "PL01_03b.png", "PL01_04b.png", "PL01_05b.png",
        "PL01_07b.png"},
       6},  // a gap does not end the book
      {2, {}, 0},
      {3, {}, 12},                                // 01 to 12, written below
      {4, {"PL04_01c.png", "PL04_02c.png"}, 0},   // colour pictures do not count
      {5, {"PL05_100b.png", "PL05_00b.png"}, 0},  // outside 01 to 99
      {9, {"pl09_99B.PNG"}, 1},                   // names match in any case
      {10, {"PL10_01b.png", "PL10_10b.png"}, 2},
  };
  TempDir dir;
  for (const Book& b : books) {
    for (const std::string& f : b.files) WriteFile(dir.path() + "/books/" + f, "");
  }
  for (int p = 1; p <= 12; ++p) WriteFile(dir.path() + "/books/" + PageName(3, p, 'b'), "");
  // A folder changed just now is listed again at every look, as its listing
  // may still be changing; this one was written a while ago.
  for (const char* folder : {"/books", ""}) {
    std::filesystem::last_write_time(
        dir.path() + folder, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  }
  ScopedCurrentDirectory cwd(dir.path());
  fw::ClearPathCache();
  const std::uint64_t listingsBefore = fw::PathListingCount();
  CPageView view;
  const std::uint64_t listings = fw::PathListingCount() - listingsBefore;
  for (const Book& b : books) EXPECT_EQ(view.m_nPageCount[b.book - 1], b.count) << b.book;
  EXPECT_EQ(view.m_nPageCount[5], 0);
  // 990 questions about one folder are answered from one listing of it and
  // of the folders above it.
  EXPECT_LE(listings, 12u);
}

TEST(PageView, PagePathsUseTwoDigitsBelow100) {
  CPageView view;
  const std::string dir = view.m_strBooksDir;
  EXPECT_EQ(view.PagePath(0, 1, 'b'), dir + "PL00_01b.png");
  EXPECT_EQ(view.PagePath(2, 3, 'c'), dir + "PL02_03c.png");
  EXPECT_EQ(view.PagePath(10, 9, 'b'), dir + "PL10_09b.png");
  EXPECT_EQ(view.PagePath(10, 10, 'b'), dir + "PL10_10b.png");
  EXPECT_EQ(view.PagePath(4, 100, 'b'), dir + "PL04_100b.png");
  EXPECT_EQ(dir.substr(dir.size() - 7), "\\books\\");
}

TEST(PageView, TurnToThePageIndex0DrawsAtOnceWithoutASlide) {
  BookRun run;
  WriteStage(run.contentDir);
  WritePage(run.contentDir, 1, 1);
  PassStartDialog(run);
  int presents = -1;
  std::uint32_t left = 0, right = 0;
  run.platform.WhenIdle([&] {
    int shown = 0;
    run.platform.onPresent = [&](fw::NativeWindowId, const fw::Surface&) { ++shown; };
    View().TurnPage(0, 0, 1, 0);
    run.platform.onPresent = nullptr;
    presents = shown;
    left = ViewPixel(0, 0);
    right = ViewPixel(589, 439);
  });
  run.Run();
  EXPECT_EQ(presents, 0) << "a turn to the first page has no frames";
  EXPECT_EQ(left, OutlineColour(1, 1));
  EXPECT_EQ(right, OutlineColour(1, 1));
}

TEST(PageView, SlideMovesTheNewPageIn118PixelsAFrame) {
  BookRun run;
  WriteStage(run.contentDir);
  WritePage(run.contentDir, 1, 1);
  WritePage(run.contentDir, 1, 2);
  PassStartDialog(run);
  std::vector<Capture> frames;
  run.platform.WhenIdle([&] {
    // The page on show, then every frame, is shown before the next scroll.
    View().TurnPage(0, 0, 1, 0);
    run.platform.onPresent = [&](fw::NativeWindowId, const fw::Surface& s) {
      frames.emplace_back(s);
    };
    View().TurnPage(0, 0, 1, 1);
    run.platform.onPresent = nullptr;
    frames.emplace_back(FrameSurface());
  });
  run.Run();
  ASSERT_EQ(frames.size(), 6u);
  const std::uint32_t oldPage = OutlineColour(1, 1);
  const std::uint32_t newPage = OutlineColour(1, 2);
  EXPECT_EQ(frames[0].View(0, 0), oldPage);
  EXPECT_EQ(frames[0].View(589, 439), oldPage);
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE("frame " + std::to_string(k));
    const Capture& f = frames[static_cast<size_t>(k)];
    const int edge = 590 - 118 * k;
    EXPECT_EQ(f.View(edge, 0), newPage);
    EXPECT_EQ(f.View(edge, 439), newPage);
    EXPECT_EQ(f.View(589, 200), newPage);
    if (edge > 0) {
      EXPECT_EQ(f.View(edge - 1, 0), oldPage);
      EXPECT_EQ(f.View(0, 439), oldPage);
    }
  }
}

// Pages whose every column has its own colour, so that a scroll by any other
// distance, or none, or the other way, shows.
TEST(PageView, EachFrameOfTheSlideMovesWhatWasShown118PixelsLeft) {
  BookRun run;
  WriteStage(run.contentDir);
  // Colour indices 1 to 197 along a row, shifted by the row, for the old page;
  // another order for the new one.
  auto oldIndex = [](int x, int y) { return 1 + (x + 3 * y) % 197; };
  auto newIndex = [](int x, int y) { return 1 + (7 * x + y) % 197; };
  WritePalettePng(run.contentDir + "/books/" + PageName(1, 1, 'b'), 590, 440, PagePalette(),
                  oldIndex);
  WritePalettePng(run.contentDir + "/books/" + PageName(1, 2, 'b'), 590, 440, PagePalette(),
                  newIndex);
  PassStartDialog(run);
  std::vector<Capture> frames;
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    run.platform.onPresent = [&](fw::NativeWindowId, const fw::Surface& s) {
      frames.emplace_back(s);
    };
    View().TurnPage(0, 0, 1, 1);
    run.platform.onPresent = nullptr;
    frames.emplace_back(FrameSurface());
  });
  run.Run();
  ASSERT_EQ(frames.size(), 6u);
  const std::vector<Rgb> palette = PagePalette();
  auto colour = [&palette](int index) { return palette[static_cast<size_t>(index)].Value(); };
  for (int y = 0; y < 440; ++y) {
    for (int x = 0; x < 590; ++x) ASSERT_EQ(frames[0].View(x, y), colour(oldIndex(x, y)));
  }
  for (int k = 1; k <= 5; ++k) {
    SCOPED_TRACE("frame " + std::to_string(k));
    const Capture& before = frames[static_cast<size_t>(k - 1)];
    const Capture& after = frames[static_cast<size_t>(k)];
    const int edge = 590 - 118 * k;  // the new page's left edge
    int moved = 0, kept = 0, drawn = 0;
    for (int y = 0; y < 440; ++y) {
      for (int x = 0; x < 590; ++x) {
        if (x + 118 < edge) {
          // What was shown moved 118 pixels to the left...
          moved += after.View(x, y) != before.View(x + 118, y);
        } else if (x < edge) {
          // ...the strip it uncovered keeps its pixels...
          kept += after.View(x, y) != before.View(x, y);
        } else {
          // ...and the new page is drawn from its own left edge.
          drawn += after.View(x, y) != colour(newIndex(x - edge, y));
        }
      }
    }
    EXPECT_EQ(moved, 0) << "pixels not moved 118 to the left";
    EXPECT_EQ(kept, 0) << "pixels of the uncovered strip changed";
    EXPECT_EQ(drawn, 0) << "pixels of the new page wrong";
  }
  // The old page's own pixels travelled all the way: in frame 3 its column
  // 354 shows at 0.
  EXPECT_EQ(frames[3].View(0, 0), colour(oldIndex(354, 0)));
}

TEST(PageView, MissingPageFilesKeepThePicturesOnShowAndEveryTurnEmptiesTheRubbing) {
  struct Case {
    const char* name;
    bool outline, colour;
  };
  const Case cases[] = {
      {"both present", true, true},
      {"outline missing", false, true},
      {"colour missing", true, false},
      {"both missing", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    WriteStage(run.contentDir);
    WritePage(run.contentDir, 2, 1);
    WritePage(run.contentDir, 2, 2, c.outline, c.colour);
    PassStartDialog(run);
    bool outlineKept = false, colourKept = false, emptied = false, rubbed = false;
    std::uint32_t shown = 0;
    run.platform.WhenIdle([&] {
      View().TurnPage(0, 0, 2, 0);
      View().Rub(300, 300, 0);
      rubbed = !RegionEmpty(View().m_rgnRevealed);
      const std::string outline = View().m_pOutline->m_strFileName;
      const std::string colour = View().m_pColour->m_strFileName;
      View().TurnPage(0, 0, 2, 1);
      outlineKept = View().m_pOutline->m_strFileName == outline;
      colourKept = View().m_pColour->m_strFileName == colour;
      emptied = RegionEmpty(View().m_rgnRevealed);
      shown = ViewPixel(0, 0);
    });
    run.Run();
    EXPECT_TRUE(rubbed);
    EXPECT_EQ(outlineKept, !c.outline);
    EXPECT_EQ(colourKept, !c.colour);
    EXPECT_TRUE(emptied);
    // Without a new outline the previous page slides in again.
    EXPECT_EQ(shown, OutlineColour(2, c.outline ? 2 : 1));
  }
}

TEST(PageView, PaintShowsTheCoverOnlyWithNoBookAndPageIndex0) {
  struct Case {
    int book, page;
    bool cover;
  };
  const Case cases[] = {{-1, 0, true}, {-1, 1, false}, {0, 0, false}, {3, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.book) + "/" + std::to_string(c.page));
    BookRun run;
    WriteStage(run.contentDir);
    WritePage(run.contentDir, 1, 1);
    PassStartDialog(run);
    std::uint32_t shown = 0;
    run.platform.WhenIdle([&] {
      View().TurnPage(0, 0, 1, 0);
      View().m_nBook = c.book;
      View().m_nPage = c.page;
      RepaintView();
      shown = ViewPixel(10, 10);
    });
    run.Run();
    EXPECT_EQ(shown, c.cover ? OutlineColour(0, 1) : OutlineColour(1, 1));
  }
}

TEST(PageView, FirstPaintLeavesTheOpeningAndLaterCoverPaintsReloadTheCover) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  bool shownAfterFirst = false, emptyAfterFirst = false;
  std::uint32_t opening = 0, reloaded = 0, inCircle = 0, outsideCircle = 0;
  run.platform.WhenIdle([&] {
    shownAfterFirst = View().m_bShown == 1;
    emptyAfterFirst = RegionEmpty(View().m_rgnRevealed);
    opening = ViewPixel(10, 10);
    // A new cover on disk shows at the next paint, with the rubbing kept.
    WriteSolidPng(run.contentDir + "/books/PL00_01b.png", 590, 440, {9, 99, 199});
    View().Rub(200, 200, 0);
    RepaintView();
    reloaded = ViewPixel(10, 10);
    inCircle = ViewPixel(200 - 44, 200 - 35);
    outsideCircle = ViewPixel(200 - 64, 200 - 55);
  });
  run.Run();
  EXPECT_TRUE(shownAfterFirst);
  EXPECT_TRUE(emptyAfterFirst);
  EXPECT_EQ(opening, OutlineColour(0, 1)) << "the main screen's opening picture";
  EXPECT_EQ(reloaded, 0x0963C7u);
  EXPECT_EQ(inCircle, PatternColour(200 - 44, 200 - 35));
  EXPECT_EQ(outsideCircle, 0x0963C7u);
}

TEST(PageView, EscapeAsksToExitAndNoLeavesEverythingAsItWas) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  run.platform.WhenIdle([&] {
    View().SetFocus();
    run.platform.Key(VK_ESCAPE);
  });
  std::string caption;
  run.platform.WhenIdle([&] {
    CDialog* d = fw::ActiveModalDialog();
    caption = d ? d->GetWindowText() : "(none)";
    run.platform.ClickDialogButton(IDNO);
  });
  bool stillUp = false;
  run.platform.WhenIdle([&] {
    stillUp = fw::ActiveModalDialog() == nullptr && IsWindow(View().m_hWnd) &&
              AfxGetMainWnd()->IsWindowVisible();
    View().SetFocus();
    run.platform.Key(VK_F1);
  });
  std::string about;
  run.platform.WhenIdle([&] {
    CDialog* d = fw::ActiveModalDialog();
    about = d ? d->GetWindowText() : "(none)";
    run.platform.Key(VK_ESCAPE);
  });
  run.Run();
  EXPECT_EQ(caption, "Pippalee");
  ASSERT_EQ(run.platform.messageBoxes.size(), 1u);
  EXPECT_EQ(run.platform.messageBoxes[0].text, "Are you sure you want to Exit?");
  EXPECT_TRUE(stillUp);
  EXPECT_EQ(about, "About Pippalee");
}

// Before its first paint the view has no revealed region yet; a page drawn
// or rubbed then must not show the whole colour picture nor lose the rub.
TEST(PageView, WithoutARevealedRegionYetNothingCountsAsRubbed) {
  BookRun run;
  WriteStage(run.contentDir);
  WritePage(run.contentDir, 1, 1);
  PassStartDialog(run);
  bool emptyAfterTurn = false, keptRub = false;
  std::uint32_t redrawn = 0;
  run.platform.WhenIdle([&] {
    View().m_rgnRevealed.DeleteObject();
    View().TurnPage(0, 0, 1, 0);
    emptyAfterTurn = RegionEmpty(View().m_rgnRevealed);
    View().m_rgnRevealed.DeleteObject();
    View().m_nBook = 0;
    RepaintView();
    redrawn = ViewPixel(300, 200);
    View().m_rgnRevealed.DeleteObject();
    View().Rub(200, 200, 0);
    keptRub = View().m_rgnRevealed.PtInRegion(156, 165) != FALSE;
  });
  run.Run();
  EXPECT_TRUE(emptyAfterTurn);
  EXPECT_EQ(redrawn, OutlineColour(1, 1));
  EXPECT_TRUE(keptRub);
}

TEST(PageView, EscapeThenYesEndsTheBook) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  run.platform.WhenIdle([&] {
    View().SetFocus();
    run.platform.Key(VK_ESCAPE);
  });
  run.platform.WhenIdle([&] { run.platform.ClickDialogButton(IDYES); });
  bool wentOn = false;  // the book ends by itself: the next action never comes
  run.platform.WhenIdle([&] { wentOn = true; });
  run.Run();
  EXPECT_FALSE(wentOn);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.ProfileWritten());
}

namespace {

// The rectangle around every box of damage one showing of the frame handed
// the platform; empty when the showing was of another window.
RECT FrameDamage(BookRun& run, fw::NativeWindowId frame, size_t showing) {
  const auto& s = run.platform.showings[showing];
  RECT all{};
  if (s.window != frame || s.damage.empty()) return all;
  all = s.damage.front();
  for (const RECT& r : s.damage) {
    all = RECT{std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
               std::max(all.bottom, r.bottom)};
  }
  return all;
}

bool Within(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

TEST(Showing, ARubHandsThePlatformOnlyItsCircle) {
  BookRun run;
  WriteStage(run.contentDir);
  PassStartDialog(run);
  size_t mark = 0, end = 0;
  fw::NativeWindowId frame = fw::kNoNativeWindow;
  run.platform.WhenIdle([&] {
    run.platform.WhenIdle([&] {
      frame = BookRun::Frame()->m_hWnd->native;
      mark = run.platform.showings.size();
      // The left button held over the page at stage (300, 200).
      run.platform.MoveMouse(kStageX + 300, kStageY + 200, MK_LBUTTON);
      run.platform.WhenIdle([&] { end = run.platform.showings.size(); });
    });
  });
  run.Run();
  ASSERT_GT(end, mark) << "the rub was shown";
  // The circle's box on the frame: 40 by 40, its centre 6 right of and 5
  // below the pointer.
  const RECT circle{kStageX + 286, kStageY + 185, kStageX + 326, kStageY + 225};
  for (size_t i = mark; i < end; ++i) {
    const RECT d = FrameDamage(run, frame, i);
    EXPECT_TRUE(Within(d, circle)) << d.left << "," << d.top << " " << d.right << "," << d.bottom;
    EXPECT_GT(d.right - d.left, 30);
  }
}

TEST(Showing, EveryFrameOfAPageTurnHandsThePlatformThePageArea) {
  BookRun run;
  WriteStage(run.contentDir);
  WritePage(run.contentDir, 1, 1);
  WritePage(run.contentDir, 1, 2);
  PassStartDialog(run);
  size_t mark = 0, end = 0;
  fw::NativeWindowId frame = fw::kNoNativeWindow;
  run.platform.WhenIdle([&] {
    frame = BookRun::Frame()->m_hWnd->native;
    View().TurnPage(0, 0, 1, 0);
    fw::ShowAllDamaged();
    mark = run.platform.showings.size();
    View().TurnPage(0, 0, 1, 1);
    run.platform.WhenIdle([&] { end = run.platform.showings.size(); });
  });
  run.Run();
  ASSERT_EQ(end - mark, 5u) << "each of the five frames is shown once";
  const RECT page{kViewX, kViewY, kViewX + 590, kViewY + 440};
  for (size_t i = mark; i < end; ++i) {
    const RECT d = FrameDamage(run, frame, i);
    EXPECT_TRUE(Within(d, page)) << d.left << "," << d.top << " " << d.right << "," << d.bottom;
    EXPECT_EQ(d.bottom - d.top, 440) << "every row of the page moves";
  }
}
