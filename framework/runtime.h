// The framework's per-program state: the message queue, timers, windows,
// focus. One user-interface thread owns it.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <unordered_set>
#include <vector>

#include "framework/platform.h"
#include "framework/wnd.h"

namespace fw {

struct Timer {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT period = 0;
  DWORD due = 0;
};

struct Runtime : InputSink {
  void Deliver(const InputEvent& event) override { input.push_back(event); }

  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  std::vector<Timer> timers;
  std::vector<HWND> windows;  // live windows, in creation order
  std::unordered_set<HWND> live;
  std::map<NativeWindowId, HWND> byNative;
  std::map<HWND, std::unique_ptr<CWnd>> temporaries;  // wrappers of foreign windows
  MSG current{};
  bool quitPosted = false;
  int quitCode = 0;
  bool sessionEnded = false;
  HWND focus = nullptr;
  HWND active = nullptr;
  HCURSOR cursor = nullptr;
  HCURSOR shownCursor = reinterpret_cast<HCURSOR>(1);  // nothing shown yet
  std::uint64_t nextSerial = 1;
  // The last button press, for double clicks.
  HWND lastPressWindow = nullptr;
  UINT lastPressMessage = 0;
  DWORD lastPressTime = 0;
  POINT lastPressPoint{};
  bool lastPressWasDouble = false;
  UINT modifiers = 0;  // MK_SHIFT and MK_CONTROL as last seen in input
};

Runtime& RT();
// Forgets every window, message and timer: a fresh program (tests run many).
void ResetRuntime();

// Makes the next message ready; false when the program is to end (WM_QUIT or
// a session that can deliver nothing more).
bool GetNextMessage(MSG* msg);
void Dispatch(const MSG& msg);
// Offers msg to the windows it passes (a dialog takes its keys); true if taken.
bool PreTranslate(MSG* msg);

struct InstanceRequest;
// Answers another copy's question about this program's windows.
std::string HandleInstanceRequest(const InstanceRequest& request);

}  // namespace fw
