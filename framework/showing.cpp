#include "framework/showing.h"

#include <algorithm>

namespace fw {

namespace {

// Windows with damage, in the order they were first drawn into.
std::vector<ShownWindow*>& Damaged() {
  static std::vector<ShownWindow*> damaged;
  return damaged;
}

void Forget(ShownWindow* w) {
  auto& d = Damaged();
  d.erase(std::remove(d.begin(), d.end(), w), d.end());
}

}  // namespace

ShownWindow::ShownWindow(const Surface& surface, NativeWindowId native)
    : surface_(surface), native_(native) {
  pixman_region32_init(&damage_);
}

ShownWindow::~ShownWindow() {
  Forget(this);
  pixman_region32_fini(&damage_);
}

void ShownWindow::AddDamage(const pixman_region32_t& area) {
  if (surface_.width <= 0 || surface_.height <= 0) return;
  pixman_region32_t cut;
  pixman_region32_init_rect(&cut, 0, 0, static_cast<unsigned>(surface_.width),
                            static_cast<unsigned>(surface_.height));
  pixman_region32_intersect(&cut, &cut, const_cast<pixman_region32_t*>(&area));
  if (pixman_region32_not_empty(&cut)) {
    if (!damaged()) Damaged().push_back(this);
    pixman_region32_union(&damage_, &damage_, &cut);
  }
  pixman_region32_fini(&cut);
}

void ShownWindow::AddDamage(int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return;
  pixman_region32_t r;
  pixman_region32_init_rect(&r, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  AddDamage(r);
  pixman_region32_fini(&r);
}

void ShownWindow::DamageAll() { AddDamage(0, 0, surface_.width, surface_.height); }

bool ShownWindow::damaged() const {
  return pixman_region32_not_empty(const_cast<pixman_region32_t*>(&damage_));
}

std::vector<RECT> ShownWindow::DamageBoxes() const {
  int n = 0;
  const pixman_box32_t* b =
      pixman_region32_rectangles(const_cast<pixman_region32_t*>(&damage_), &n);
  std::vector<RECT> out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out.push_back(RECT{b[i].x1, b[i].y1, b[i].x2, b[i].y2});
  return out;
}

void ShownWindow::Show() {
  if (!damaged()) return;
  const std::vector<RECT> boxes = DamageBoxes();
  pixman_region32_clear(&damage_);
  Forget(this);
  if (native_ != kNoNativeWindow && surface_.pixels) {
    CurrentPlatform().Present(native_, surface_, boxes);
  }
}

void ShowAllDamaged() {
  // A showing may run the platform's input handling, which never draws; the
  // list is copied all the same so that it can change meanwhile.
  const std::vector<ShownWindow*> windows = Damaged();
  for (ShownWindow* w : windows) {
    auto& d = Damaged();
    if (std::find(d.begin(), d.end(), w) != d.end()) w->Show();
  }
}

}  // namespace fw
