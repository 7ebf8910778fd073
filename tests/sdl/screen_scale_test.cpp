#include "framework/sdl/screen_scale.h"

#include <gtest/gtest.h>

namespace {

struct ScaleCase {
  int width, height;
  int factor, logicalWidth, logicalHeight, offsetX, offsetY;
};

TEST(ScreenScale, LargestFactorThatKeepsTheDroppedStageWhole) {
  const ScaleCase cases[] = {
      {1920, 1080, 2, 960, 540, 0, 0},
      {3840, 2160, 4, 960, 540, 0, 0},
      {2560, 1600, 3, 853, 533, 0, 0},
      {2564, 1604, 3, 854, 534, 1, 1},  // the rest is split around the logical screen
      {1280, 1038, 2, 640, 519, 0, 0},  // 19 above the stage, dropped 20: just fits
      {1280, 1036, 1, 1280, 1036, 0, 0},
      {1280, 1024, 1, 1280, 1024, 0, 0},
      {1600, 900, 1, 1600, 900, 0, 0},
      {1366, 768, 1, 1366, 768, 0, 0},
      {1279, 1080, 1, 1279, 1080, 0, 0},  // too narrow for two
      {640, 480, 1, 640, 480, 0, 0},      // too small even for one: shown as it is
      {0, 0, 1, 0, 0, 0, 0},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    const fw::sdl::ScreenScale s = fw::sdl::ComputeScreenScale(c.width, c.height);
    EXPECT_EQ(s.factor, c.factor);
    EXPECT_EQ(s.logicalWidth, c.logicalWidth);
    EXPECT_EQ(s.logicalHeight, c.logicalHeight);
    EXPECT_EQ(s.offsetX, c.offsetX);
    EXPECT_EQ(s.offsetY, c.offsetY);
  }
}

}  // namespace
