// The desktop platform: real windows, input, cursors and sound through SDL2.
#pragma once

#include <memory>
#include <string>

#include "framework/platform.h"

namespace fw::sdl {

// Null when there is no display to show the book on; why then says what failed.
std::unique_ptr<Platform> CreateSdlPlatform(std::string* why = nullptr);

}  // namespace fw::sdl
