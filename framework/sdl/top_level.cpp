#include "framework/sdl/top_level.h"

#include <algorithm>

#include "framework/sdl/screen_text.h"
#include "framework/surface.h"
#include "framework/wintypes.h"

namespace fw::sdl {

TopLevel::TopLevel(const TopLevelDesc& desc, int display, const ScreenScale& scale,
                   SDL_Window* owner)
    : desc_(desc), scale_(scale) {
  if (SDL_GetDisplayBounds(display, &display_) != 0) display_ = SDL_Rect{0, 0, 640, 480};
  const ScaleFactor& f = scale.factor;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  int x, y, w, h;
  if (desc.fullScreen) {
    // Covers the whole monitor; the logical screen sits in its middle.
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP;
    x = display_.x;
    y = display_.y;
    w = display_.w;
    h = display_.h;
    placement_.offsetX = scale.offsetX;
    placement_.offsetY = scale.offsetY;
    placement_.logicalWidth = scale.logicalWidth;
    placement_.logicalHeight = scale.logicalHeight;
  } else {
    if (!desc.decorated) flags |= SDL_WINDOW_BORDERLESS;
    if (owner) flags |= SDL_WINDOW_SKIP_TASKBAR;
    x = display_.x + scale.offsetX + f.ToScreenFloor(desc.x);
    y = display_.y + scale.offsetY + f.ToScreenFloor(desc.y);
    w = f.ToScreenCeil(std::max(1, desc.width));
    h = f.ToScreenCeil(std::max(1, desc.height));
    placement_.logicalWidth = std::max(0, desc.width);
    placement_.logicalHeight = std::max(0, desc.height);
  }
  placement_.factor = f;
  placement_.pixelWidth = w;
  placement_.pixelHeight = h;
  window_ = SDL_CreateWindow(desc.title.c_str(), x, y, w, h, flags);
  if (!window_) return;
  placement_.id = SDL_GetWindowID(window_);
  if (owner) SDL_SetWindowModalFor(window_, owner);
}

TopLevel::~TopLevel() {
  if (staging_) SDL_FreeSurface(staging_);
  if (window_) SDL_DestroyWindow(window_);
}

void TopLevel::Place() {
  // The window manager puts its caption above the client area, and says how
  // large it is only once the window is up; then the client area goes back
  // where the program placed it.
  if (placed_ || !shown_ || desc_.fullScreen) return;
  if (desc_.decorated) {
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0) {
      placed_ = true;  // this window manager does not tell
      return;
    }
    if (top == 0 && left == 0) return;
  }
  placed_ = true;
  const ScaleFactor& f = placement_.factor;
  SDL_SetWindowPosition(window_, display_.x + scale_.offsetX + f.ToScreenFloor(desc_.x),
                        display_.y + scale_.offsetY + f.ToScreenFloor(desc_.y));
}

void TopLevel::Show(int showCommand) {
  switch (showCommand) {
    case SW_HIDE:
      SDL_HideWindow(window_);
      shown_ = false;
      return;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      if (!shown_) {
        SDL_ShowWindow(window_);
        shown_ = true;
        Place();
      }
      SDL_MinimizeWindow(window_);
      minimized_ = true;
      return;
    default:
      if (!shown_) {
        SDL_ShowWindow(window_);
        shown_ = true;
        Place();
      }
      if (minimized_) {
        SDL_RestoreWindow(window_);
        minimized_ = false;
      }
      return;
  }
}

void TopLevel::Activate() {
  if (minimized_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED)) {
    SDL_RestoreWindow(window_);
    minimized_ = false;
  }
  SDL_RaiseWindow(window_);
}

SharpScaler& TopLevel::ScalerFor(const Surface& surface, int screenWidth, int screenHeight) {
  const int key[6] = {surface.width, surface.height,     screenWidth,
                      screenHeight,  placement_.offsetX, placement_.offsetY};
  if (!scaler_ || !std::equal(key, key + 6, scalerKey_)) {
    scaler_ =
        std::make_unique<SharpScaler>(placement_.factor, placement_.offsetX, placement_.offsetY,
                                      surface.width, surface.height, screenWidth, screenHeight);
    std::copy(key, key + 6, scalerKey_);
  }
  return *scaler_;
}

WindowScale TopLevel::TextScale() const {
  if (desc_.fullScreen) return WindowScale{};
  return WindowScale{placement_.factor.num, placement_.factor.den};
}

void TopLevel::Present(const Surface& surface, const std::vector<RECT>& damage,
                       const std::vector<ScreenText>& text) {
  if (!surface.pixels || surface.width <= 0 || surface.height <= 0) return;
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  SharpScaler& scaler = ScalerFor(surface, target->w, target->h);
  // Only what changed, unless what the window showed is gone; many small
  // pieces go as the one rectangle around them.
  constexpr size_t kMostPieces = 32;
  std::vector<RECT> screen;
  if (!hasContent_ || contentWidth_ != target->w || contentHeight_ != target->h) {
    screen.push_back(scaler.WholeScreen());
  } else if (damage.size() > kMostPieces) {
    RECT all = damage.front();
    for (const RECT& r : damage) {
      all = RECT{std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
                 std::max(all.bottom, r.bottom)};
    }
    screen.push_back(scaler.ScreenRect(all));
  } else {
    for (const RECT& r : damage) screen.push_back(scaler.ScreenRect(r));
  }
  // The window surface takes the pixels as they are when it is 32-bit with
  // red, green and blue where the program's surface has them.
  const bool direct = target->format->format == SDL_PIXELFORMAT_RGB888 ||
                      target->format->format == SDL_PIXELFORMAT_ARGB8888;
  SDL_Surface* into = target;
  if (!direct) {
    if (!staging_ || staging_->w != target->w || staging_->h != target->h) {
      if (staging_) SDL_FreeSurface(staging_);
      staging_ =
          SDL_CreateRGBSurfaceWithFormat(0, target->w, target->h, 32, SDL_PIXELFORMAT_RGB888);
      if (!staging_) return;
      SDL_SetSurfaceBlendMode(staging_, SDL_BLENDMODE_NONE);
    }
    into = staging_;
  }
  if (SDL_MUSTLOCK(into)) SDL_LockSurface(into);
  const ScreenPixels pixels{static_cast<std::uint32_t*>(into->pixels), into->w, into->h,
                            into->pitch};
  rects_.clear();
  for (const RECT& r : screen) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    scaler.Scale(surface, pixels, r);
    DrawScreenText(text, placement_.factor, placement_.offsetX, placement_.offsetY, pixels, r);
    rects_.push_back(SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
  }
  if (SDL_MUSTLOCK(into)) SDL_UnlockSurface(into);
  if (!direct) {
    for (SDL_Rect r : rects_) SDL_BlitSurface(staging_, &r, target, &r);
  }
  if (!rects_.empty()) {
    SDL_UpdateWindowSurfaceRects(window_, rects_.data(), static_cast<int>(rects_.size()));
  }
  hasContent_ = true;
  contentWidth_ = target->w;
  contentHeight_ = target->h;
}

bool TopLevel::OnWindowEvent(const SDL_WindowEvent& event) {
  Place();
  switch (event.event) {
    case SDL_WINDOWEVENT_MINIMIZED:
      minimized_ = true;
      return false;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      minimized_ = false;
      return false;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      int w = 0, h = 0;
      SDL_GetWindowSize(window_, &w, &h);
      if (w == contentWidth_ && h == contentHeight_ && hasContent_) return false;
      placement_.pixelWidth = w;
      placement_.pixelHeight = h;
      if (desc_.fullScreen) {
        const ScaleFactor& f = placement_.factor;
        placement_.offsetX = CentredOffset(w, placement_.logicalWidth, f);
        placement_.offsetY = CentredOffset(h, placement_.logicalHeight, f);
      }
      const bool lost = hasContent_;
      hasContent_ = false;
      return lost;
    }
    case SDL_WINDOWEVENT_EXPOSED: {
      int w = 0, h = 0;
      SDL_GetWindowSize(window_, &w, &h);
      if (hasContent_ && w == contentWidth_ && h == contentHeight_) {
        SDL_UpdateWindowSurface(window_);
        return false;
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace fw::sdl
