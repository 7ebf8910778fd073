// What the printing and metafile files share; not for the program.
#pragma once

#include "framework/dc.h"

namespace fw {

// Draws the sw by sh pixels of src at (sx, sy) into (x, y, w, h) of dc,
// stretched: into a device of its own (printer, metafile) or into pixels.
bool DrawSurface(HDC dc, const Surface& src, int sx, int sy, int sw, int sh, int x, int y, int w,
                 int h);

// The screen's figures for GetDeviceCaps (96 pixels to the inch).
int ScreenDeviceCaps(int index);

}  // namespace fw
