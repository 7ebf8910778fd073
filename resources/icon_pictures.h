// The icons and cursors of the program, kept as pictures in text.
#pragma once

#include <cstdint>

#include "framework/platform.h"

namespace resources {

extern const char* const kBookIcon[32];         // icon 128, the program
extern const char* const kStopIcon[32];         // the stop sign of message boxes
extern const char* const kExclamationIcon[32];  // the warning triangle

// Turns a character picture into pixels: K black, W white, R red, Y yellow,
// B the frame's dark blue, G green, g grey; blank transparent.
fw::IconImage IconFromPicture(const char* const* rows, int size);

}  // namespace resources
