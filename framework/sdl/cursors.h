// The pointer's shapes: the program's cursors scaled with the stage, and the
// system arrow.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "framework/platform.h"
#include "framework/sdl/screen_scale.h"

namespace fw::sdl {

// A 32-bit ARGB surface of argb (width by height) enlarged by factor, each
// pixel of it taking the source pixel that holds its top-left corner; null
// when the sizes do not make an image. The caller frees it.
SDL_Surface* ScaledArgbSurface(const std::vector<std::uint32_t>& argb, int width, int height,
                               ScaleFactor factor);

class CursorSet {
 public:
  explicit CursorSet(ScaleFactor factor) : factor_(factor) {}
  ~CursorSet();
  CursorSet(const CursorSet&) = delete;
  CursorSet& operator=(const CursorSet&) = delete;

  // Shows image (null: the arrow). An image that cannot be made shows the arrow.
  void Show(const CursorImage* image);
  // Frees every cursor made; they must go before the video subsystem does.
  void Release();

 private:
  struct Made {
    CursorImage image;  // a copy, so that a changed or freed image is never mistaken
    SDL_Cursor* cursor = nullptr;
  };
  SDL_Cursor* Arrow();

  ScaleFactor factor_;
  SDL_Cursor* arrow_ = nullptr;
  std::vector<Made> made_;
};

}  // namespace fw::sdl
