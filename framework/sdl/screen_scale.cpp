#include "framework/sdl/screen_scale.h"

namespace fw::sdl {

namespace {

constexpr int kStageWidth = 640;
constexpr int kStageHeight = 480;
constexpr int kStageDrop = 20;

// The frame places the stage at ((w - 640) / 2, (h - 480) / 2 + 20).
bool StageFits(int w, int h) {
  const int x0 = (w - kStageWidth) / 2;
  const int y0 = (h - kStageHeight) / 2;
  return x0 >= 0 && y0 >= 0 && x0 + kStageWidth <= w && y0 + kStageDrop + kStageHeight <= h;
}

}  // namespace

ScreenScale ComputeScreenScale(int displayWidth, int displayHeight) {
  ScreenScale s;
  if (displayWidth < 1 || displayHeight < 1) return s;
  int factor = 1;
  while (StageFits(displayWidth / (factor + 1), displayHeight / (factor + 1))) ++factor;
  s.factor = factor;
  s.logicalWidth = displayWidth / factor;
  s.logicalHeight = displayHeight / factor;
  s.offsetX = (displayWidth - s.logicalWidth * factor) / 2;
  s.offsetY = (displayHeight - s.logicalHeight * factor) / 2;
  return s;
}

}  // namespace fw::sdl
