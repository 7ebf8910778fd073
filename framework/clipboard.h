// The clipboard: a bitmap handed to it is offered to other programs through
// the platform (the X11 CLIPBOARD selection on the desktop).
#pragma once

#include "framework/gdi.h"
#include "framework/wintypes.h"

constexpr UINT CF_BITMAP = 2;

BOOL OpenClipboard(HWND owner);
// Drops what the clipboard held; only while it is open.
BOOL EmptyClipboard();
// Gives the clipboard data in format. On success the clipboard owns data and
// the handle is returned; on failure null comes back and data stays the
// caller's to delete.
HANDLE SetClipboardData(UINT format, HANDLE data);
BOOL CloseClipboard();

namespace fw {
// The bitmap the clipboard holds now, or null (for tests).
HBITMAP ClipboardBitmap();
}  // namespace fw
