// The question asked on Esc, and the close sequence that ends the book. Used by
// the frame, the main screen and the page view alike.
#pragma once

#include "framework/msgbox.h"
#include "framework/wnd.h"

namespace app {

inline constexpr const char* kBookTitle = "Pippalee";

// True when the user answers Yes.
inline bool ConfirmExit() {
  CWnd* active = CWnd::GetActiveWindow();
  return ::MessageBox(active ? active->m_hWnd : nullptr, "Are you sure you want to Exit?",
                      kBookTitle, MB_ICONEXCLAMATION | MB_YESNO) == IDYES;
}

// Closes the main screen, then its parent, the frame, which ends the program.
inline void RunCloseSequence(CWnd* mainScreen) {
  if (!mainScreen) return;
  CWnd* frame = mainScreen->GetParent();
  mainScreen->PostMessage(WM_CLOSE);
  if (frame) frame->PostMessage(WM_CLOSE);
}

}  // namespace app
