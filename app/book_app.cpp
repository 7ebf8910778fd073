#include "app/book_app.h"

#include "app/exit_confirmation.h"
#include "app/main_frame.h"
#include "app/start_dialog.h"
#include "framework/file.h"
#include "framework/kernel_dirs.h"
#include "framework/msgbox.h"
#include "resources/resources.h"

namespace {

constexpr const char* kLockFile = "test.dat";

// Brings a running copy (and the dialog it may be showing) to the front.
void ActivateRunningCopy(CWnd* running) {
  CWnd* popup = running->GetLastActivePopup();
  if (running->IsIconic()) running->ShowWindow(SW_RESTORE);
  running->SetFocus();
  if (popup) popup->SetForegroundWindow();
}

}  // namespace

CBookApp::CBookApp() { resources::RegisterProgramResources(); }

BOOL CBookApp::InitInstance() {
  if (CWnd* running = CWnd::FindWindow(nullptr, app::kBookTitle)) {
    ActivateRunningCopy(running);
    return FALSE;
  }

  try {
    CFile lock(kLockFile, CFile::modeCreate | CFile::modeRead | CFile::shareExclusive);
    lock.Close();
  } catch (const CFileException&) {
    // The next open decides.
  }

  // Only a lock held by another copy turns this copy away; a folder where the
  // lock file cannot be made (read-only) lets the book run without it.
  CFile lockHeld;
  CFileException error;
  if (!lockHeld.Open(kLockFile, CFile::modeRead | CFile::shareExclusive, &error) &&
      error.m_cause == CFileException::sharingViolation) {
    if (CWnd* running = CWnd::FindWindow("", app::kBookTitle)) ActivateRunningCopy(running);
    return FALSE;
  }

  auto* frame = new CMainFrame;
  CStartDialog startDialog(nullptr);
  DoWaitCursor(1);

  m_pMainWnd = frame;
  frame->SetWindowText(app::kBookTitle);
  m_hIcon = LoadIcon(resources::IDR_MAINFRAME);
  frame->SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  frame->SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  startDialog.DoModal();
  // Cancel closed the frame with the dialog: nothing more is shown.
  if (!m_pMainWnd) return FALSE;

  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  // When the free space cannot be measured the book starts without a word.
  if (GetDiskFreeSpace("C:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters,
                       &totalClusters)) {
    const std::uint64_t freeMb =
        static_cast<std::uint64_t>(freeClusters) * sectorsPerCluster * bytesPerSector / 1048576u;
    if (freeMb <= 10) {
      ::MessageBox(nullptr,
                   "You have less then 10 MB of free disk space remaining on your hard "
                   "drive.Windows requires sufficient disk space to run the program.Delete "
                   "unnecessary files and try again.",
                   "NOT ENOUGH FREE DISK SPACE", MB_ICONHAND | MB_OK);
      return FALSE;
    }
    if (freeMb <= 20) {
      ::MessageBox(nullptr,
                   "You have less then 20 MB of free disk space remaining on your hard drive. "
                   "Windows may run out of free disk space during the operation of this "
                   "program.",
                   "WARNING", MB_ICONEXCLAMATION | MB_OK);
    }
  }

  frame->ShowWindow(SW_SHOWMAXIMIZED);
  frame->UpdateWindow();
  lockHeld.Close();
  return TRUE;
}

int CBookApp::ExitInstance() {
  WriteProfileInt("strSection", "strIntItem", 0);
  return CWinApp::ExitInstance();
}
