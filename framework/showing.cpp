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
  if (native_ != kNoNativeWindow) textScale_ = CurrentPlatform().TextScale(native_);
  if (textScale_.num <= 0 || textScale_.den <= 0) textScale_ = WindowScale{};
}

ShownWindow::~ShownWindow() {
  Forget(this);
  for (auto& t : text_) pixman_region32_fini(&t->shows);
  pixman_region32_fini(&damage_);
}

void ShownWindow::AddDamage(const pixman_region32_t& area) {
  // What is drawn covers the text under it: those runs show no more there.
  for (auto& t : text_) {
    pixman_region32_subtract(&t->shows, &t->shows, const_cast<pixman_region32_t*>(&area));
  }
  for (auto it = text_.begin(); it != text_.end();) {
    if (pixman_region32_not_empty(&(*it)->shows)) {
      ++it;
    } else {
      pixman_region32_fini(&(*it)->shows);
      it = text_.erase(it);
    }
  }
  Damage(area);
}

void ShownWindow::AddText(ScreenText run, const pixman_region32_t& clip, const RECT& extent) {
  if (extent.right <= extent.left || extent.bottom <= extent.top) return;
  auto kept = std::make_unique<KeptText>();
  pixman_region32_init_rect(&kept->shows, extent.left, extent.top,
                            static_cast<unsigned>(extent.right - extent.left),
                            static_cast<unsigned>(extent.bottom - extent.top));
  pixman_region32_intersect(&kept->shows, &kept->shows, const_cast<pixman_region32_t*>(&clip));
  pixman_region32_intersect_rect(&kept->shows, &kept->shows, 0, 0,
                                 static_cast<unsigned>(std::max(0, surface_.width)),
                                 static_cast<unsigned>(std::max(0, surface_.height)));
  if (!pixman_region32_not_empty(&kept->shows)) {
    pixman_region32_fini(&kept->shows);
    return;
  }
  Damage(kept->shows);
  kept->run = std::move(run);
  kept->run.shows.clear();
  text_.push_back(std::move(kept));
}

std::vector<ScreenText> ShownWindow::TextRuns() const {
  std::vector<ScreenText> out;
  out.reserve(text_.size());
  for (const auto& t : text_) {
    out.push_back(t->run);
    int n = 0;
    const pixman_box32_t* b =
        pixman_region32_rectangles(const_cast<pixman_region32_t*>(&t->shows), &n);
    for (int i = 0; i < n; ++i)
      out.back().shows.push_back(RECT{b[i].x1, b[i].y1, b[i].x2, b[i].y2});
  }
  return out;
}

void ShownWindow::Damage(const pixman_region32_t& area) {
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

void ShownWindow::DamageAll() {
  if (surface_.width <= 0 || surface_.height <= 0) return;
  pixman_region32_t all;
  pixman_region32_init_rect(&all, 0, 0, static_cast<unsigned>(surface_.width),
                            static_cast<unsigned>(surface_.height));
  Damage(all);
  pixman_region32_fini(&all);
}

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
    CurrentPlatform().Present(native_, surface_, boxes, TextRuns());
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
