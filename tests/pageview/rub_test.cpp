// Rubbing colour into the page: one circle of the colour picture under the
// pointer each time, lined up with the outline, kept until the next turn.
#include <gtest/gtest.h>

#include "tests/support/stage_fixture.h"

using namespace testing_support;

namespace {

CPageView& View() { return BookRun::Frame()->m_mainScreen.m_pageView; }

constexpr int kViewX = kStageX + 50;
constexpr int kViewY = kStageY + 40;
std::uint32_t ViewPixel(int x, int y) { return FrameSurface().Pixel(kViewX + x, kViewY + y); }

// The circle a rub at (x, y) in main-screen coordinates makes, in view
// coordinates.
struct Circle {
  int left, top, right, bottom;
  CRgn rgn;
  Circle(int x, int y) : left(x - 64), top(y - 55), right(x - 24), bottom(y - 15) {
    rgn.CreateEllipticRgn(left, top, right, bottom);
  }
  bool Inside(int vx, int vy) const { return rgn.PtInRegion(vx, vy) != FALSE; }
};

// Pixels of the view inside the circle that do not show the colour picture
// at the same place, and pixels of the circle's box outside it that do not
// show the outline.
struct Mismatch {
  int colour = 0;
  int outline = 0;
  int inside = 0;  // circle pixels inside the view
};
Mismatch Check(const Circle& c, std::uint32_t outline) {
  Mismatch m;
  for (int y = c.top; y < c.bottom; ++y) {
    for (int x = c.left; x < c.right; ++x) {
      if (x < 0 || y < 0 || x >= 590 || y >= 440) continue;
      if (c.Inside(x, y)) {
        ++m.inside;
        if (ViewPixel(x, y) != PatternColour(x, y)) ++m.colour;
      } else if (ViewPixel(x, y) != outline) {
        ++m.outline;
      }
    }
  }
  return m;
}

void StartOnPage(BookRun& run) {
  WriteStage(run.contentDir);
  WritePage(run.contentDir, 1, 1);
  WritePage(run.contentDir, 1, 2);
  PassStartDialog(run);
}

}  // namespace

TEST(Rub, RevealsTheColourPictureInACircleLinedUpWithTheOutline) {
  struct Case {
    const char* name;
    int x, y;
  };
  const Case cases[] = {
      {"middle", 100, 100},   {"near the top edge", 100, 50},    {"top row", 300, 41},
      {"left edge", 51, 200}, {"bottom right corner", 639, 479},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BookRun run;
    StartOnPage(run);
    Mismatch m;
    RECT box{};
    run.platform.WhenIdle([&] {
      View().TurnPage(0, 0, 1, 0);
      View().Rub(c.x, c.y, 0);
      View().m_rgnRevealed.GetRgnBox(&box);
      m = Check(Circle(c.x, c.y), OutlineColour(1, 1));
    });
    run.Run();
    EXPECT_GT(m.inside, 0);
    EXPECT_EQ(m.colour, 0);
    EXPECT_EQ(m.outline, 0);
    EXPECT_EQ(box.left, c.x - 64);
    EXPECT_EQ(box.top, c.y - 55);
    EXPECT_EQ(box.right, c.x - 24);
    EXPECT_EQ(box.bottom, c.y - 15);
  }
}

TEST(Rub, CirclesAddUpSurviveARepaintAndGoWithTheNextTurn) {
  BookRun run;
  StartOnPage(run);
  Mismatch first, second, again;
  RECT box{};
  bool emptied = false;
  std::vector<std::uint32_t> once, twice;
  auto viewPixels = [] {
    std::vector<std::uint32_t> v;
    for (int y = 0; y < 440; ++y) {
      for (int x = 0; x < 590; ++x) v.push_back(ViewPixel(x, y));
    }
    return v;
  };
  run.platform.WhenIdle([&] {
    View().TurnPage(0, 0, 1, 0);
    View().m_nBook = 0;  // as the main screen has it with book 1 open
    View().Rub(100, 100, 0);
    View().Rub(300, 300, 0);
    View().m_rgnRevealed.GetRgnBox(&box);
    once = viewPixels();
    View().Rub(300, 300, 0);
    twice = viewPixels();
    Snapshot("rubbed");
    run.platform.CoverAndUncover(BookRun::Frame()->m_hWnd->native);
  });
  run.platform.WhenIdle([&] {
    first = Check(Circle(100, 100), OutlineColour(1, 1));
    second = Check(Circle(300, 300), OutlineColour(1, 1));
    View().TurnPage(0, 0, 1, 1);
    emptied = View().m_rgnRevealed.GetRgnBox(&box) == NULLREGION;
    run.platform.CoverAndUncover(BookRun::Frame()->m_hWnd->native);
  });
  run.platform.WhenIdle([&] { again = Check(Circle(300, 300), OutlineColour(1, 2)); });
  run.Run();
  EXPECT_EQ(first.colour, 0);
  EXPECT_EQ(second.colour, 0);
  EXPECT_EQ(first.outline, 0);
  EXPECT_EQ(once, twice) << "rubbing a spot again changed the page";
  EXPECT_TRUE(emptied);
  EXPECT_EQ(again.colour, again.inside) << "colour left after the turn";
  EXPECT_EQ(again.outline, 0);
}
