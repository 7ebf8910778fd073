// How the logical screen sits on a monitor: the largest whole factor that
// still leaves room for the stage, and the black margin left over.
#pragma once

namespace fw::sdl {

struct ScreenScale {
  int factor = 1;
  int logicalWidth = 0;  // the logical screen, in logical pixels
  int logicalHeight = 0;
  int offsetX = 0;  // where logical (0, 0) falls on the monitor, in its pixels
  int offsetY = 0;
};

// The 640 by 480 stage is centred on the logical screen and dropped 20 pixels
// below centre; every factor up to the returned one keeps it whole on screen.
// A monitor too small even at factor 1 gets factor 1.
ScreenScale ComputeScreenScale(int displayWidth, int displayHeight);

}  // namespace fw::sdl
