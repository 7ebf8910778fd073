// Turns SDL's events into the framework's input: logical coordinates, button
// and key flags, the time each was made, and a finger as the left button.
#pragma once

#include <SDL.h>

#include <functional>
#include <vector>

#include "framework/platform.h"
#include "framework/sdl/screen_scale.h"

namespace fw::sdl {

// Where a top-level window's logical client area lies in its SDL window.
struct WindowPlacement {
  NativeWindowId id = kNoNativeWindow;
  ScaleFactor factor;
  int offsetX = 0;  // window pixels left of and above logical (0, 0)
  int offsetY = 0;
  int logicalWidth = 0;
  int logicalHeight = 0;
  int pixelWidth = 0;  // the SDL window's size, for finger positions
  int pixelHeight = 0;
};

class InputTranslator {
 public:
  // Finds the placement of an SDL window; null for a window not ours.
  using Lookup = std::function<const WindowPlacement*(Uint32 sdlWindowId)>;
  explicit InputTranslator(Lookup lookup) : lookup_(std::move(lookup)) {}

  // Appends what one SDL event means to out (possibly nothing).
  void Translate(const SDL_Event& event, std::vector<InputEvent>& out);
  // Takes Shift and Control from the keyboard's state, as after a focus change
  // the keys pressed elsewhere were never seen.
  void SyncModifiers(SDL_Keymod mod);

  UINT buttons() const { return buttons_; }
  UINT modifiers() const;

 private:
  bool ToLogical(const WindowPlacement& w, int px, int py, int* x, int* y) const;
  void Mouse(const WindowPlacement& w, InputKind kind, MouseButton button, int px, int py,
             DWORD time, std::vector<InputEvent>& out);
  void Finger(const SDL_TouchFingerEvent& f, Uint32 type, std::vector<InputEvent>& out);

  Lookup lookup_;
  UINT buttons_ = 0;
  bool leftShift_ = false, rightShift_ = false, leftCtrl_ = false, rightCtrl_ = false;
  // The one finger acting as the left button, while it is down.
  bool fingerDown_ = false;
  SDL_TouchID touch_ = 0;
  SDL_FingerID finger_ = 0;
  Uint32 fingerWindow_ = 0;
};

}  // namespace fw::sdl
