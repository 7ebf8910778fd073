#include "framework/sdl/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/app_ending.h"

namespace fw::sdl {

namespace {

XErrorHandler g_previous = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return g_previous ? g_previous(display, error) : 0;
}

// How long the application has to end once the display is gone.
constexpr auto kGraceTime = std::chrono::seconds(3);

struct Connection {
  Display* display = nullptr;
  bool lost = false;
};

std::mutex g_mutex;
std::vector<Connection> g_survivable;
XIOErrorHandler g_previousIo = nullptr;
std::atomic<bool> g_trapping{false};
std::atomic<bool> g_reported{false};
std::thread::id g_programThread;

void ReportLoss(Display* display) {
  if (g_reported.exchange(true)) return;
  std::fprintf(stderr, "%s: lost the connection to the display %s\n", program_invocation_short_name,
               DisplayString(display));
  std::fflush(stderr);
  // A detached thread owns nothing that the end of the process must destroy.
  try {
    std::thread([] {
      std::this_thread::sleep_for(kGraceTime);
      std::fprintf(stderr, "%s: did not end by itself in time; ending now\n",
                   program_invocation_short_name);
      _exit(1);
    }).detach();
  } catch (const std::system_error&) {
    // Without the watch the orderly ending is all there is.
  }
}

// Xlib calls this on the thread whose call failed, with the connection's
// internal lock released. Were it to return, Xlib would call the connection's
// exit handler: exit() unless the connection was made survivable.
int OnConnectionLost(Display* display) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Connection& c : g_survivable) {
      if (c.display != display) continue;
      c.lost = true;
      return 0;  // the thread serving it winds it up
    }
  }
  // Without the trap (a test of the clipboard alone), Xlib's own way.
  if (!g_trapping) return g_previousIo ? g_previousIo(display) : 0;
  ReportLoss(display);
  if (std::this_thread::get_id() == g_programThread) EndApplicationNow(1);
  // Another thread on a connection SDL made for itself (SDL waking the
  // program's thread): it waits here while the program's thread, failing on
  // its own connection, ends the program.
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void KeepRunning(Display*, void*) {}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] { g_previousIo = XSetIOErrorHandler(OnConnectionLost); });
}

}  // namespace

void IgnoreLateWakeupErrors() {
  if (g_previous) return;
  g_previous = XSetErrorHandler(OnXError);
}

void TrapConnectionLoss() {
  g_programThread = std::this_thread::get_id();
  g_trapping = true;
  InstallHandler();
}

void SurviveConnectionLoss(Display* display) {
  if (!display) return;
  InstallHandler();
  std::lock_guard<std::mutex> lock(g_mutex);
  g_survivable.push_back(Connection{display, false});
  XSetIOErrorExitHandler(display, KeepRunning, nullptr);
}

void ForgetConnection(Display* display) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_survivable.erase(std::remove_if(g_survivable.begin(), g_survivable.end(),
                                    [&](const Connection& c) { return c.display == display; }),
                     g_survivable.end());
}

bool ConnectionLost(Display* display) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const Connection& c : g_survivable) {
    if (c.display == display) return c.lost;
  }
  return false;
}

}  // namespace fw::sdl
