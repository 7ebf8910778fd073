// Text drawn at the physical size over a window's enlarged pixels, so that
// it stays crisp where the pixels around it are enlarged.
#pragma once

#include <vector>

#include "framework/platform.h"
#include "framework/sdl/screen_scale.h"
#include "framework/sdl/sharp_scaler.h"
#include "framework/wintypes.h"

namespace fw::sdl {

// Draws each run, in order, over the screen pixels of rect, through the
// blocks of the surface pixels it shows in; surface (0, 0) falls at (originX,
// originY). The pixels of rect are those just enlarged from the surface.
void DrawScreenText(const std::vector<ScreenText>& text, ScaleFactor f, int originX, int originY,
                    const ScreenPixels& screen, const RECT& rect);

}  // namespace fw::sdl
