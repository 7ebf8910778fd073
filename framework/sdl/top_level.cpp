#include "framework/sdl/top_level.h"

#include <algorithm>

#include "framework/surface.h"
#include "framework/wintypes.h"

namespace fw::sdl {

TopLevel::TopLevel(const TopLevelDesc& desc, int display, const ScreenScale& scale,
                   SDL_Window* owner)
    : desc_(desc), scale_(scale) {
  if (SDL_GetDisplayBounds(display, &display_) != 0) display_ = SDL_Rect{0, 0, 640, 480};
  const int k = std::max(1, scale.factor);
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
    x = display_.x + scale.offsetX + desc.x * k;
    y = display_.y + scale.offsetY + desc.y * k;
    w = std::max(1, desc.width) * k;
    h = std::max(1, desc.height) * k;
    placement_.logicalWidth = std::max(0, desc.width);
    placement_.logicalHeight = std::max(0, desc.height);
  }
  placement_.factor = k;
  placement_.pixelWidth = w;
  placement_.pixelHeight = h;
  window_ = SDL_CreateWindow(desc.title.c_str(), x, y, w, h, flags);
  if (!window_) return;
  placement_.id = SDL_GetWindowID(window_);
  if (owner) SDL_SetWindowModalFor(window_, owner);
}

TopLevel::~TopLevel() {
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
  const int k = placement_.factor;
  SDL_SetWindowPosition(window_, display_.x + scale_.offsetX + desc_.x * k,
                        display_.y + scale_.offsetY + desc_.y * k);
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

void TopLevel::Present(const Surface& surface) {
  if (!surface.pixels || surface.width <= 0 || surface.height <= 0) return;
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      surface.pixels, surface.width, surface.height, 32, surface.stride, SDL_PIXELFORMAT_RGB888);
  if (!source) return;
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
  const int k = placement_.factor;
  SDL_Rect to{placement_.offsetX, placement_.offsetY, surface.width * k, surface.height * k};
  const bool margin = to.x > 0 || to.y > 0 || to.w < target->w || to.h < target->h;
  if (margin && (!hasContent_ || contentWidth_ != target->w || contentHeight_ != target->h)) {
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
  }
  if (k == 1) {
    SDL_BlitSurface(source, nullptr, target, &to);
  } else {
    SDL_BlitScaled(source, nullptr, target, &to);
  }
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurface(window_);
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
        const int k = placement_.factor;
        placement_.offsetX = std::max(0, (w - placement_.logicalWidth * k) / 2);
        placement_.offsetY = std::max(0, (h - placement_.logicalHeight * k) / 2);
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
