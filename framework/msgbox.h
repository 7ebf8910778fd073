// Message boxes: the framework's own dialogs with an icon, a wrapped text and
// OK or Yes and No buttons.
#pragma once

#include "framework/wintypes.h"

int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type);
// A message box owned by the main window, captioned with the program's name.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK);
