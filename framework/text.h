// Text through SDL2_ttf: the free fonts that stand in for the program's faces,
// measured and drawn into surfaces the same way on every platform.
#pragma once

#include <pixman.h>

#include <string>

#include "framework/gdi.h"
#include "framework/surface.h"
#include "framework/wintypes.h"

namespace fw {

struct FontMetrics {
  int height = 0;  // cell height in pixels (ascent + descent)
  int ascent = 0;
  int averageCharWidth = 0;  // average width of the 52 letters, rounded
};

// The font used when none is selected: "MS Sans Serif" 8 point.
const FontState& SystemFont();

// False when no font file could be opened; then nothing is drawn or measured.
bool GetFontMetrics(const FontState& font, FontMetrics* metrics);
int TextWidth(const FontState& font, const std::string& text);
// Draws text with its cell's top-left at (x, y) of target, clipped to clip.
// Returns the rectangle of target the text may have changed (before clipping).
RECT DrawTextRun(Surface& target, const pixman_region32_t* clip, const FontState& font, int x,
                 int y, const std::string& text, COLORREF color);

// Text shown num / den times as large (the font's pixel height and the
// cell's position scaled, the glyphs made at that size, not enlarged).
struct TextScaling {
  int num = 1;
  int den = 1;
};

// The surface pixels that text drawn at (x, y) may change on the screen when
// shown scaled: its cell and its glyphs at the scaled size, rounded out.
RECT ScaledTextExtent(const FontState& font, int x, int y, const std::string& text,
                      TextScaling scale);
// Draws text with its cell's top-left at surface pixel (x, y), scaled, onto
// screen (a8r8g8b8, surface (0, 0) at (originX, originY)), clipped to clip
// (screen pixels).
void DrawScaledTextRun(pixman_image_t* screen, const pixman_region32_t* clip, const FontState& font,
                       int x, int y, const std::string& text, COLORREF color, TextScaling scale,
                       int originX, int originY);

}  // namespace fw
