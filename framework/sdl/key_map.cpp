#include "framework/sdl/key_map.h"

namespace fw::sdl {

UINT VirtualKeyFor(SDL_Keycode key) {
  // Letters are named by the layout's key, as the keyboard shows them.
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<UINT>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<UINT>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<UINT>(key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return static_cast<UINT>('1' + (key - SDLK_KP_1));
  switch (key) {
    case SDLK_KP_0:
      return '0';
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    default:
      return 0;
  }
}

}  // namespace fw::sdl
