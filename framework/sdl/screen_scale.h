// How the logical screen sits on a monitor: enlarged by the real factor that
// makes the stage (with its drop) fill the binding side, and centred.
#pragma once

#include <cstdint>

namespace fw::sdl {

// A scale factor kept as the exact fraction num / den (in lowest terms).
struct ScaleFactor {
  int num = 1;
  int den = 1;

  bool whole() const { return num % den == 0; }
  double value() const { return static_cast<double>(num) / den; }
  // Monitor pixels of n logical pixels, rounded down and up.
  int ToScreenFloor(int n) const;
  int ToScreenCeil(int n) const;
  // The logical pixel holding monitor pixel p (p counted from logical 0):
  // rounded down, so every monitor pixel of a logical pixel's block hits it.
  int ToLogical(int p) const;
};

// Where logical 0 falls when logical pixels are centred on screen pixels
// (the part left over split, the smaller half first); 0 when they do not fit.
int CentredOffset(int screen, int logical, ScaleFactor f);

struct ScreenScale {
  ScaleFactor factor;
  int logicalWidth = 0;  // the logical screen, in logical pixels
  int logicalHeight = 0;
  int offsetX = 0;  // where logical (0, 0) falls on the monitor, in its pixels
  int offsetY = 0;
};

// f = min(width / 640, height / 520), so that the 640 by 480 stage, centred
// and dropped 20 pixels, fills the monitor's binding side. The logical
// screen is the monitor divided by f, rounded down. A monitor smaller than
// 640 by 520 gets f = 1.
ScreenScale ComputeScreenScale(int displayWidth, int displayHeight);

}  // namespace fw::sdl
