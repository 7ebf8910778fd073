// The desktop clipboard: the program owns the X11 CLIPBOARD selection and
// serves the copied image to other programs as image/png and image/bmp, until
// another program takes the selection or the program ends. It keeps its own
// connection to the display and serves requests on a thread of its own, so
// pastes are answered while the book sleeps inside a handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/surface.h"

namespace fw::sdl {

// Offers image on the CLIPBOARD selection of $DISPLAY; false when there is no
// display or the selection could not be taken.
bool PublishClipboardImage(const Surface& image);
// Stops serving and closes the connection (also done at program end).
void StopClipboard();
// Data larger than this goes out in pieces (INCR); 0 restores the default,
// which follows the display's request size. For tests.
void SetClipboardChunkLimit(std::size_t bytes);

// The encodings served.
std::string EncodePng(const Surface& image);
std::string EncodeBmp(const Surface& image);

}  // namespace fw::sdl
