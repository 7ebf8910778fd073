// What the framework's own files share about windows; not for the program.
#pragma once

#include <pixman.h>

#include "framework/wnd.h"

namespace fw {

// The part of window's top-level surface that the window covers (its client
// rectangle, cut by its ancestors'), in surface pixels. Siblings and children
// do not clip each other.
void WindowDrawRegion(HWND window, pixman_region32_t* out);
// The surface of the top-level window holding window, or null.
Surface* WindowSurface(HWND window);
// The showing of the top-level window holding window, or null.
ShownWindow* WindowShowing(HWND window);
// Shows what was drawn into window's top-level since it was last shown.
void PresentWindow(HWND window);

}  // namespace fw
