// Time and process calls.
#pragma once

#include "framework/wintypes.h"

DWORD GetTickCount();
// Blocks the user-interface thread; what was drawn is shown first, and input
// made meanwhile waits in the queue with its true time.
void Sleep(DWORD milliseconds);
// Ends the process at once with code: no exit processing of the application.
[[noreturn]] void ExitProcess(UINT code);
