#include "framework/sdl/cursors.h"

#include <algorithm>
#include <cstddef>

namespace fw::sdl {

SDL_Surface* ScaledArgbSurface(const std::vector<std::uint32_t>& argb, int width, int height,
                               ScaleFactor factor) {
  if (width <= 0 || height <= 0 || width > 1024 || height > 1024) return nullptr;
  if (factor.num <= 0 || factor.den <= 0 || factor.value() > 64) return nullptr;
  if (argb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return nullptr;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(
      0, factor.ToScreenCeil(width), factor.ToScreenCeil(height), 32, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return nullptr;
  SDL_LockSurface(s);
  auto* base = static_cast<std::uint8_t*>(s->pixels);
  for (int y = 0; y < s->h; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(base + static_cast<std::ptrdiff_t>(y) * s->pitch);
    const int sy = std::min(factor.ToLogical(y), height - 1);
    const std::uint32_t* src = argb.data() + static_cast<std::size_t>(sy) * width;
    for (int x = 0; x < s->w; ++x) row[x] = src[std::min(factor.ToLogical(x), width - 1)];
  }
  SDL_UnlockSurface(s);
  return s;
}

CursorSet::~CursorSet() { Release(); }

void CursorSet::Release() {
  if (made_.empty() && !arrow_) return;
  SDL_SetCursor(SDL_GetDefaultCursor());
  for (Made& m : made_) SDL_FreeCursor(m.cursor);
  made_.clear();
  if (arrow_) SDL_FreeCursor(arrow_);
  arrow_ = nullptr;
}

SDL_Cursor* CursorSet::Arrow() {
  if (!arrow_) arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  return arrow_ ? arrow_ : SDL_GetDefaultCursor();
}

void CursorSet::Show(const CursorImage* image) {
  if (!image) {
    SDL_SetCursor(Arrow());
    return;
  }
  for (Made& m : made_) {
    if (m.image.width == image->width && m.image.height == image->height &&
        m.image.hotX == image->hotX && m.image.hotY == image->hotY && m.image.argb == image->argb) {
      SDL_SetCursor(m.cursor);
      return;
    }
  }
  SDL_Surface* s = ScaledArgbSurface(image->argb, image->width, image->height, factor_);
  if (!s) {
    SDL_SetCursor(Arrow());
    return;
  }
  const int hx = factor_.ToScreenFloor(std::min(std::max(image->hotX, 0), image->width - 1));
  const int hy = factor_.ToScreenFloor(std::min(std::max(image->hotY, 0), image->height - 1));
  SDL_Cursor* c = SDL_CreateColorCursor(s, hx, hy);
  SDL_FreeSurface(s);
  if (!c) {
    SDL_SetCursor(Arrow());
    return;
  }
  made_.push_back(Made{*image, c});
  SDL_SetCursor(c);
}

}  // namespace fw::sdl
