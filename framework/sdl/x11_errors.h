// X11 errors that do not mean the program went wrong, and the loss of the
// connection to the display, which ends the program in order.
#pragma once

typedef struct _XDisplay Display;

namespace fw::sdl {

// SDL wakes a waiting loop by sending an event to a window over a second
// connection; when that window is being destroyed meanwhile the server answers
// BadWindow, which Xlib would turn into the end of the process. Such errors are
// ignored; every other error still goes to the handler there was before.
void IgnoreLateWakeupErrors();

// When the display server goes away, Xlib ends the process from inside the
// call that noticed it. Installed on the program's thread before SDL opens its
// connections, this takes that over: the loss is reported on stderr once and
// the application ends as at the end of the session, with status 1, from that
// call (SDL cannot go on with a connection that fails under it). Should the
// ending not come within a few seconds (another thread holding what it needs),
// the process ends with status 1 all the same.
void TrapConnectionLoss();

// A connection of the program's own, served on a thread of its own (the
// clipboard's): its loss ends only that service. Its thread asks
// ConnectionLost, and calls ForgetConnection once it has closed it.
void SurviveConnectionLoss(Display* display);
void ForgetConnection(Display* display);
bool ConnectionLost(Display* display);

}  // namespace fw::sdl
