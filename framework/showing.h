// Damage and showing. A top-level window's surface keeps the region drawn into
// it since it was last shown; showing hands the platform only that region, so
// the cost of a showing follows what changed, not the size of the display.
// The window tree and the device contexts call into this; it knows neither.
#pragma once

#include <pixman.h>

#include <memory>
#include <vector>

#include "framework/platform.h"
#include "framework/surface.h"
#include "framework/wintypes.h"

namespace fw {

class ShownWindow {
 public:
  // surface is the window's pixels, owned by the window and kept as long as
  // this; native is where they are shown.
  ShownWindow(const Surface& surface, NativeWindowId native);
  ~ShownWindow();
  ShownWindow(const ShownWindow&) = delete;
  ShownWindow& operator=(const ShownWindow&) = delete;

  // Adds area (surface pixels), just drawn, to what the next showing sends;
  // the part outside the surface is dropped.
  void AddDamage(const pixman_region32_t& area);
  void AddDamage(int x, int y, int width, int height);
  // The whole surface: a first showing, a new size.
  void DamageAll();
  bool damaged() const;
  // The damage as boxes, without overlaps.
  std::vector<RECT> DamageBoxes() const;

  // Sends the damage to the platform and forgets it; nothing when undamaged.
  void Show();

  // Where the platform draws the window's text itself at the physical size
  // (scale is not 1), text runs are kept instead of drawn into the surface.
  WindowScale textScale() const { return textScale_; }
  // Keeps a run (its shows empty) where it shows: clip (surface pixels)
  // within extent, the surface pixels its glyphs may reach on screen. Its
  // extent becomes damage; later drawing (AddDamage) hides it where it goes.
  void AddText(ScreenText run, const pixman_region32_t& clip, const RECT& extent);
  // The runs that still show, oldest first.
  std::vector<ScreenText> TextRuns() const;

 private:
  struct KeptText {
    ScreenText run;
    pixman_region32_t shows;
  };
  void Damage(const pixman_region32_t& area);

  const Surface& surface_;
  NativeWindowId native_;
  pixman_region32_t damage_;
  WindowScale textScale_;
  std::vector<std::unique_ptr<KeptText>> text_;
};

// Shows every window that has damage.
void ShowAllDamaged();

}  // namespace fw
