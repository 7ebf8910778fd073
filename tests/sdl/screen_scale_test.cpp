#include "framework/sdl/screen_scale.h"

#include <gtest/gtest.h>

namespace {

struct ScaleCase {
  int width, height;
  int num, den;  // the factor
  int logicalWidth, logicalHeight, offsetX, offsetY;
};

TEST(ScreenScale, TheStageWithItsDropFillsTheBindingSide) {
  const ScaleCase cases[] = {
      {640, 480, 1, 1, 640, 480, 0, 0},  // lower than 520: shown as it is
      {800, 600, 15, 13, 693, 520, 0, 0},   {1024, 768, 96, 65, 693, 520, 0, 0},
      {1280, 720, 18, 13, 924, 520, 0, 0},  {1366, 768, 96, 65, 924, 520, 0, 0},
      {1600, 900, 45, 26, 924, 520, 0, 0},  {1920, 1080, 27, 13, 924, 520, 0, 0},
      {2560, 1440, 36, 13, 924, 520, 0, 0}, {3840, 2160, 54, 13, 924, 520, 0, 0},
      {5120, 2880, 72, 13, 924, 520, 1, 0},  // the rest is split around the logical screen
      {1280, 1040, 2, 1, 640, 520, 0, 0},    // a whole factor
      {1280, 1200, 2, 1, 640, 600, 0, 0},    // the width binds
      {1000, 1000, 25, 16, 640, 640, 0, 0}, {1000, 519, 1, 1, 1000, 519, 0, 0},
      {639, 1000, 1, 1, 639, 1000, 0, 0},   {0, 0, 1, 1, 0, 0, 0, 0},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    const fw::sdl::ScreenScale s = fw::sdl::ComputeScreenScale(c.width, c.height);
    EXPECT_EQ(s.factor.num, c.num);
    EXPECT_EQ(s.factor.den, c.den);
    EXPECT_EQ(s.logicalWidth, c.logicalWidth);
    EXPECT_EQ(s.logicalHeight, c.logicalHeight);
    EXPECT_EQ(s.offsetX, c.offsetX);
    EXPECT_EQ(s.offsetY, c.offsetY);
    if (c.width < 640 || c.height < 520) continue;
    // The stage as the frame places it, on the monitor.
    const int x = (s.logicalWidth - 640) / 2, y = (s.logicalHeight - 480) / 2 + 20;
    const int left = s.offsetX + s.factor.ToScreenFloor(x);
    const int top = s.offsetY + s.factor.ToScreenFloor(y);
    const int right = s.offsetX + s.factor.ToScreenCeil(x + 640);
    const int bottom = s.offsetY + s.factor.ToScreenCeil(y + 480);
    EXPECT_GE(left, 0);
    EXPECT_GE(top, 0);
    EXPECT_LE(right, c.width);
    EXPECT_LE(bottom, c.height);
    const bool widthBinds = c.width * 520 <= c.height * 640;
    const double filled =
        widthBinds ? double(right - left) / c.width : double(bottom - top) / c.height;
    EXPECT_GE(filled, 0.9);
  }
}

TEST(ScreenScale, MonitorPixelsOfLogicalLengthsRoundAsAsked) {
  const fw::sdl::ScaleFactor f{96, 65};  // 1366 by 768
  EXPECT_EQ(f.ToScreenFloor(640), 945);  // 945.2
  EXPECT_EQ(f.ToScreenCeil(640), 946);
  EXPECT_EQ(f.ToScreenFloor(480), 708);  // 708.9
  EXPECT_EQ(f.ToScreenCeil(480), 709);
  EXPECT_EQ(f.ToLogical(945), 639);
  EXPECT_EQ(f.ToLogical(946), 640);
  EXPECT_EQ(f.ToLogical(-1), -1);
  EXPECT_EQ(f.ToScreenFloor(-1), -2);
  EXPECT_FALSE(f.whole());
  EXPECT_TRUE((fw::sdl::ScaleFactor{4, 2}).whole());
}

}  // namespace
