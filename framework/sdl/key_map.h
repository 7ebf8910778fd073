// Keys of the keyboard as the program's virtual-key codes.
#pragma once

#include <SDL.h>

#include "framework/wintypes.h"

namespace fw::sdl {

// 0 for a key the program has no code for.
UINT VirtualKeyFor(SDL_Keycode key);

}  // namespace fw::sdl
