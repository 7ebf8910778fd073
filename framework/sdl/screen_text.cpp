#include "framework/sdl/screen_text.h"

#include <pixman.h>

#include "framework/text.h"

namespace fw::sdl {

void DrawScreenText(const std::vector<ScreenText>& text, ScaleFactor f, int originX, int originY,
                    const ScreenPixels& screen, const RECT& rect) {
  if (text.empty() || !screen.pixels || rect.right <= rect.left || rect.bottom <= rect.top) return;
  pixman_image_t* image = pixman_image_create_bits(PIXMAN_a8r8g8b8, screen.width, screen.height,
                                                   screen.pixels, screen.stride);
  if (!image) return;
  for (const ScreenText& run : text) {
    // Each surface pixel's block of screen pixels: from the floor of its
    // left edge to the floor of the next one's, so blocks never overlap.
    std::vector<pixman_box32_t> boxes;
    boxes.reserve(run.shows.size());
    for (const RECT& r : run.shows) {
      boxes.push_back(
          pixman_box32_t{originX + f.ToScreenFloor(r.left), originY + f.ToScreenFloor(r.top),
                         originX + f.ToScreenFloor(r.right), originY + f.ToScreenFloor(r.bottom)});
    }
    pixman_region32_t clip;
    pixman_region32_init_rects(&clip, boxes.data(), static_cast<int>(boxes.size()));
    pixman_region32_intersect_rect(&clip, &clip, rect.left, rect.top,
                                   static_cast<unsigned>(rect.right - rect.left),
                                   static_cast<unsigned>(rect.bottom - rect.top));
    if (pixman_region32_not_empty(&clip)) {
      FontState font;
      font.face = run.face;
      font.pixelHeight = run.pixelHeight;
      font.bold = run.bold;
      DrawScaledTextRun(image, &clip, font, run.x, run.y, run.text, run.color,
                        TextScaling{f.num, f.den}, originX, originY);
    }
    pixman_region32_fini(&clip);
  }
  pixman_image_unref(image);
}

}  // namespace fw::sdl
