// Opening a document with the desktop's viewer.
#pragma once

#include "framework/wintypes.h"

// Starts the viewer for file ("open" is the only operation) in directory and
// returns at once. Like the classic call, a value above 32 means started;
// 2 means the file was not found and 31 that no viewer could be started.
HINSTANCE ShellExecute(HWND owner, LPCTSTR operation, LPCTSTR file, LPCTSTR parameters,
                       LPCTSTR directory, int showCommand);
