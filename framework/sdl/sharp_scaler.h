// "Sharp" enlargement of a window's logical pixels onto the screen: each
// logical pixel covers a block of whole screen pixels, and only a screen pixel
// that straddles the boundary between two logical pixels is blended, weighted
// by the area each covers. At a whole factor no pixel straddles, and this is
// nearest neighbour. Everything outside the logical pixels is black.
//
// pixman's separable convolution computes the same blend, but at more than
// two hundred times the cost (every pixel through a general filter), which a
// full showing at 3840 by 2160 cannot afford; here the boundaries are known in
// advance and all other pixels are plain copies.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/sdl/screen_scale.h"
#include "framework/surface.h"
#include "framework/wintypes.h"

namespace fw::sdl {

// Pixels 0xFFRRGGBB written by the scaler (opaque, for a window surface
// that keeps alpha).
struct ScreenPixels {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes
};

class SharpScaler {
 public:
  // Logical (0, 0) falls at (originX, originY) of a screen of screenWidth by
  // screenHeight pixels, and logicalWidth by logicalHeight pixels are shown.
  SharpScaler(ScaleFactor factor, int originX, int originY, int logicalWidth, int logicalHeight,
              int screenWidth, int screenHeight);

  // The screen pixels that show any of the logical rectangle r: its block and
  // the pixels straddling its edges, cut to the screen.
  RECT ScreenRect(const RECT& logical) const;
  RECT WholeScreen() const { return RECT{0, 0, screenWidth_, screenHeight_}; }

  // Writes the screen pixels of rect (screen coordinates) from source, whose
  // size must be the logical size given at construction.
  void Scale(const Surface& source, const ScreenPixels& screen, const RECT& rect);

 private:
  // For one screen column (or row): the padded index of the logical pixel
  // holding its left (top) edge, and the weight out of 256 of the next one.
  struct Tap {
    int index = 0;
    int weight = 0;
  };
  static std::vector<Tap> Taps(ScaleFactor f, int origin, int logical, int screen);

  ScaleFactor factor_;
  int originX_, originY_;
  int logicalWidth_, logicalHeight_;
  int screenWidth_, screenHeight_;
  std::vector<Tap> columns_, rows_;
  std::vector<std::uint32_t> padded_;   // one logical row with black either side
  std::vector<std::uint32_t> widened_;  // logical rows enlarged across
};

}  // namespace fw::sdl
