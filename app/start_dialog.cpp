#include "app/start_dialog.h"

#include <memory>

#include "app/exit_confirmation.h"
#include "framework/dc.h"
#include "framework/file.h"
#include "framework/kernel_dirs.h"
#include "framework/shell.h"
#include "image/picture.h"
#include "resources/resources.h"

CStartDialog::CStartDialog(CWnd* parent) : CDialog(resources::IDD_START, parent) {}

CStartDialog::~CStartDialog() = default;

void CStartDialog::DoDataExchange(void*) {}

BOOL CStartDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case resources::IDC_START_OK:
      OnOkButton();
      return TRUE;
    case resources::IDC_START_ABOUT:
      OnAboutButton();
      return TRUE;
    case resources::IDC_START_CANCEL:
      OnCancelButton();
      return TRUE;
    default:
      return CDialog::OnCommand(wParam, lParam);
  }
}

// Going on ends the dialog through the dialog's own cancel processing, not the
// override below, which would end the program.
void CStartDialog::OnOkButton() { CDialog::OnCancel(); }

void CStartDialog::OnCancelButton() { OnCancel(); }

void CStartDialog::OnCancel() {
  PostMessage(WM_CLOSE);
  if (CWnd* parent = GetParent()) parent->PostMessage(WM_CLOSE);
}

void CStartDialog::OnAboutButton() {
  char windowsDir[200] = {};
  char currentDir[200] = {};
  GetWindowsDirectory(windowsDir, sizeof windowsDir);
  GetCurrentDirectory(sizeof currentDir, currentDir);
  const std::string document = std::string(currentDir) + "\\about.doc";
  CWnd* active = CWnd::GetActiveWindow();
  ShellExecute(active ? active->m_hWnd : nullptr, "open", "write.exe", document.c_str(), windowsDir,
               SW_SHOWMAXIMIZED);
}

// The splash is loaded and drawn whole on every paint, whatever part was
// uncovered, so it never shows torn.
void CStartDialog::OnPaint() {
  CPaintDC paint(this);
  char currentDir[200] = {};
  GetCurrentDirectory(sizeof currentDir, currentDir);
  // Declared before the device context, so the context is released first.
  auto splash =
      std::make_unique<CPicture>(std::string(currentDir) + "\\books\\splash.png", IMAGE_PNG);
  CClientDC dc(this);
  if (CPalette* palette = splash->GetPalette()) {
    dc.SelectPalette(palette, TRUE);
    dc.RealizePalette();
  }
  splash->Draw(&dc, 6, 6, -1, -1, 0, 0);
  CWnd* active = CWnd::GetActiveWindow();
  if (active) active->SetWindowText(app::kBookTitle);
}
