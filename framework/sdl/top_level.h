// One top-level window of the program (the frame, a dialog, a message box) as
// an SDL window, shown enlarged by the screen's factor with sharp pixels.
#pragma once

#include <SDL.h>

#include <memory>
#include <vector>

#include "framework/platform.h"
#include "framework/sdl/input_translator.h"
#include "framework/sdl/screen_scale.h"
#include "framework/sdl/sharp_scaler.h"

namespace fw::sdl {

class TopLevel {
 public:
  // owner, when given, is the window this one is kept above.
  TopLevel(const TopLevelDesc& desc, int display, const ScreenScale& scale, SDL_Window* owner);
  ~TopLevel();
  TopLevel(const TopLevel&) = delete;
  TopLevel& operator=(const TopLevel&) = delete;

  SDL_Window* sdl() const { return window_; }
  NativeWindowId id() const { return placement_.id; }
  const WindowPlacement& placement() const { return placement_; }
  bool minimized() const { return minimized_; }
  bool shown() const { return shown_; }
  NativeWindowId owner() const { return desc_.owner; }

  void Show(int showCommand);
  void Activate();
  // Shows the client-area pixels of damage (surface pixels), enlarged; the
  // whole window when what it showed was lost. The margin is black.
  // text is drawn over the pixels at the physical size.
  void Present(const Surface& surface, const std::vector<RECT>& damage,
               const std::vector<ScreenText>& text = {});
  // The factor at which the window's text is drawn (ScreenText): the
  // screen's for dialogs and message boxes, 1 for the frame, whose stage
  // keeps its pixels as drawn.
  WindowScale TextScale() const;
  // Keeps track of the window's state; true when what it showed is lost and
  // the program has to draw it again.
  bool OnWindowEvent(const SDL_WindowEvent& event);

 private:
  void Place();
  // The scaler for the window surface's current size.
  SharpScaler& ScalerFor(const Surface& surface, int screenWidth, int screenHeight);

  SDL_Window* window_ = nullptr;
  WindowPlacement placement_;
  TopLevelDesc desc_;
  SDL_Rect display_{};
  ScreenScale scale_;
  bool shown_ = false;
  bool placed_ = false;
  bool minimized_ = false;
  bool hasContent_ = false;  // the window surface holds the last frame presented
  int contentWidth_ = 0;
  int contentHeight_ = 0;
  std::unique_ptr<SharpScaler> scaler_;
  int scalerKey_[6] = {};           // surface and window sizes and offsets it was made for
  SDL_Surface* staging_ = nullptr;  // for a window surface of another pixel format
  std::vector<SDL_Rect> rects_;
};

}  // namespace fw::sdl
