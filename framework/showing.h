// Damage and showing. A top-level window's surface keeps the region drawn into
// it since it was last shown; showing hands the platform only that region, so
// the cost of a showing follows what changed, not the size of the display.
// The window tree and the device contexts call into this; it knows neither.
#pragma once

#include <pixman.h>

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

  // Adds area (surface pixels) to what the next showing sends; the part
  // outside the surface is dropped.
  void AddDamage(const pixman_region32_t& area);
  void AddDamage(int x, int y, int width, int height);
  // The whole surface: a first showing, a new size.
  void DamageAll();
  bool damaged() const;
  // The damage as boxes, without overlaps.
  std::vector<RECT> DamageBoxes() const;

  // Sends the damage to the platform and forgets it; nothing when undamaged.
  void Show();

 private:
  const Surface& surface_;
  NativeWindowId native_;
  pixman_region32_t damage_;
};

// Shows every window that has damage.
void ShowAllDamaged();

}  // namespace fw
