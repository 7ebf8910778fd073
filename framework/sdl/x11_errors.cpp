#include "framework/sdl/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace fw::sdl {

namespace {

XErrorHandler g_previous = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return g_previous ? g_previous(display, error) : 0;
}

}  // namespace

void IgnoreLateWakeupErrors() {
  if (g_previous) return;
  g_previous = XSetErrorHandler(OnXError);
}

}  // namespace fw::sdl
