// The cursors of the stage, kept as pictures in text.
#pragma once

#include "framework/platform.h"

namespace resources {

constexpr int kCursorSize = 32;

extern const char* const kRubCursor[32];    // cursor 131, over the page
extern const char* const kPointCursor[32];  // cursor 183, over the buttons

// Turns a character picture into a monochrome cursor: K black, W white, blank
// transparent.
fw::CursorImage CursorFromPicture(const char* const* rows, int hotX, int hotY);

}  // namespace resources
