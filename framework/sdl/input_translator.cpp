#include "framework/sdl/input_translator.h"

#include <algorithm>
#include <cmath>

#include "framework/sdl/key_map.h"

namespace fw::sdl {

namespace {

MouseButton ButtonOf(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT:
      return MouseButton::Left;
    case SDL_BUTTON_RIGHT:
      return MouseButton::Right;
    case SDL_BUTTON_MIDDLE:
      return MouseButton::Middle;
    default:
      return MouseButton::None;
  }
}

}  // namespace

UINT InputTranslator::modifiers() const {
  UINT m = 0;
  if (leftShift_ || rightShift_) m |= MK_SHIFT;
  if (leftCtrl_ || rightCtrl_) m |= MK_CONTROL;
  return m;
}

void InputTranslator::SyncModifiers(SDL_Keymod mod) {
  leftShift_ = (mod & KMOD_LSHIFT) != 0;
  rightShift_ = (mod & KMOD_RSHIFT) != 0;
  leftCtrl_ = (mod & KMOD_LCTRL) != 0;
  rightCtrl_ = (mod & KMOD_RCTRL) != 0;
}

bool InputTranslator::ToLogical(const WindowPlacement& w, int px, int py, int* x, int* y) const {
  *x = w.factor.ToLogical(px - w.offsetX);
  *y = w.factor.ToLogical(py - w.offsetY);
  return *x >= 0 && *y >= 0 && *x < w.logicalWidth && *y < w.logicalHeight;
}

void InputTranslator::Mouse(const WindowPlacement& w, InputKind kind, MouseButton button, int px,
                            int py, DWORD time, std::vector<InputEvent>& out) {
  InputEvent e;
  e.kind = kind;
  e.window = w.id;
  e.button = button;
  e.time = time;
  const bool inside = ToLogical(w, px, py, &e.x, &e.y);
  if (kind == InputKind::MouseDown) {
    // A press in the margin around the logical screen is no press at all.
    if (!inside) return;
    buttons_ |= ButtonFlag(button);
  } else if (kind == InputKind::MouseUp) {
    const UINT flag = ButtonFlag(button);
    if (!(buttons_ & flag)) return;  // its press was not delivered
    buttons_ &= ~flag;
    // A drag may end in the margin: it still ends, at the nearest edge.
    e.x = std::clamp(e.x, 0, std::max(0, w.logicalWidth - 1));
    e.y = std::clamp(e.y, 0, std::max(0, w.logicalHeight - 1));
  } else if (!inside && !buttons_) {
    return;
  }
  e.buttons = buttons_;
  e.modifiers = modifiers();
  out.push_back(e);
}

void InputTranslator::Finger(const SDL_TouchFingerEvent& f, Uint32 type,
                             std::vector<InputEvent>& out) {
  const bool ours = fingerDown_ && f.touchId == touch_ && f.fingerId == finger_;
  if (type == SDL_FINGERDOWN) {
    // A second finger while one is down (a resting hand) does nothing.
    if (fingerDown_) return;
  } else if (!ours) {
    return;
  }
  const Uint32 windowId = type == SDL_FINGERDOWN ? f.windowID : fingerWindow_;
  const WindowPlacement* w = lookup_(windowId);
  if (!w) {
    if (type != SDL_FINGERDOWN) fingerDown_ = false;
    return;
  }
  // SDL gives 0 for the first pixel and 1 for the last.
  const int px = static_cast<int>(std::lround(f.x * static_cast<float>(w->pixelWidth - 1)));
  const int py = static_cast<int>(std::lround(f.y * static_cast<float>(w->pixelHeight - 1)));
  const DWORD time = f.timestamp;
  if (type == SDL_FINGERDOWN) {
    int x, y;
    if (!ToLogical(*w, px, py, &x, &y)) return;
    fingerDown_ = true;
    touch_ = f.touchId;
    finger_ = f.fingerId;
    fingerWindow_ = windowId;
    // The pointer goes where the finger is before the press, as a mouse would.
    Mouse(*w, InputKind::MouseMove, MouseButton::None, px, py, time, out);
    Mouse(*w, InputKind::MouseDown, MouseButton::Left, px, py, time, out);
  } else if (type == SDL_FINGERMOTION) {
    Mouse(*w, InputKind::MouseMove, MouseButton::None, px, py, time, out);
  } else {
    fingerDown_ = false;
    Mouse(*w, InputKind::MouseUp, MouseButton::Left, px, py, time, out);
  }
}

void InputTranslator::Translate(const SDL_Event& ev, std::vector<InputEvent>& out) {
  switch (ev.type) {
    case SDL_MOUSEMOTION: {
      // Fingers are handled as such; what the system makes of them for the
      // mouse, while one is down, would count them twice.
      if (ev.motion.which == SDL_TOUCH_MOUSEID || fingerDown_) return;
      if (const WindowPlacement* w = lookup_(ev.motion.windowID)) {
        Mouse(*w, InputKind::MouseMove, MouseButton::None, ev.motion.x, ev.motion.y,
              ev.motion.timestamp, out);
      }
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (ev.button.which == SDL_TOUCH_MOUSEID || fingerDown_) return;
      const MouseButton b = ButtonOf(ev.button.button);
      if (b == MouseButton::None) return;
      const WindowPlacement* w = lookup_(ev.button.windowID);
      if (!w) {
        // The window went; the button is up all the same.
        if (ev.type == SDL_MOUSEBUTTONUP) buttons_ &= ~ButtonFlag(b);
        return;
      }
      Mouse(*w, ev.type == SDL_MOUSEBUTTONDOWN ? InputKind::MouseDown : InputKind::MouseUp, b,
            ev.button.x, ev.button.y, ev.button.timestamp, out);
      return;
    }
    case SDL_FINGERDOWN:
    case SDL_FINGERMOTION:
    case SDL_FINGERUP:
      Finger(ev.tfinger, ev.type, out);
      return;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const bool down = ev.type == SDL_KEYDOWN;
      switch (ev.key.keysym.sym) {
        case SDLK_LSHIFT:
          leftShift_ = down;
          break;
        case SDLK_RSHIFT:
          rightShift_ = down;
          break;
        case SDLK_LCTRL:
          leftCtrl_ = down;
          break;
        case SDLK_RCTRL:
          rightCtrl_ = down;
          break;
        default:
          break;
      }
      const UINT vk = VirtualKeyFor(ev.key.keysym.sym);
      const WindowPlacement* w = lookup_(ev.key.windowID);
      if (!vk || !w) return;
      InputEvent e;
      e.kind = down ? InputKind::KeyDown : InputKind::KeyUp;
      e.window = w->id;
      e.vk = vk;
      e.repeat = down && ev.key.repeat != 0;
      e.buttons = buttons_;
      e.modifiers = modifiers();
      e.time = ev.key.timestamp;
      out.push_back(e);
      return;
    }
    case SDL_WINDOWEVENT: {
      const WindowPlacement* w = lookup_(ev.window.windowID);
      if (!w) return;
      InputEvent e;
      e.window = w->id;
      e.time = ev.window.timestamp;
      if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
        e.kind = InputKind::Close;
      } else if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        e.kind = InputKind::FocusGained;
      } else {
        return;
      }
      out.push_back(e);
      return;
    }
    case SDL_QUIT: {
      InputEvent e;
      e.kind = InputKind::Quit;
      e.time = ev.quit.timestamp;
      out.push_back(e);
      return;
    }
    default:
      return;
  }
}

}  // namespace fw::sdl
