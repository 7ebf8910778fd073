// One top-level window of the program (the frame, a dialog, a message box) as
// an SDL window, shown enlarged by the stage factor with sharp pixels.
#pragma once

#include <SDL.h>

#include "framework/platform.h"
#include "framework/sdl/input_translator.h"
#include "framework/sdl/screen_scale.h"

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

  void Show(int showCommand);
  void Activate();
  // Shows the client-area pixels, enlarged; the margin around them is black.
  void Present(const Surface& surface);
  // Keeps track of the window's state; true when what it showed is lost and
  // the program has to draw it again.
  bool OnWindowEvent(const SDL_WindowEvent& event);

 private:
  void Place();

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
};

}  // namespace fw::sdl
