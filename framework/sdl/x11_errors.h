// X11 errors that do not mean the program went wrong.
#pragma once

namespace fw::sdl {

// SDL wakes a waiting loop by sending an event to a window over a second
// connection; when that window is being destroyed meanwhile the server answers
// BadWindow, which Xlib would turn into the end of the process. Such errors are
// ignored; every other error still goes to the handler there was before.
void IgnoreLateWakeupErrors();

}  // namespace fw::sdl
