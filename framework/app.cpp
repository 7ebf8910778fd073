#include "framework/app.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>

#include "framework/app_ending.h"
#include "framework/file.h"
#include "framework/kernel.h"
#include "framework/kernel_dirs.h"
#include "framework/profile.h"
#include "framework/resources.h"
#include "framework/runtime.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

namespace fw {

std::string ExecutableName() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string path = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string("program");
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos) path = path.substr(slash + 1);
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && dot > 0) path = path.substr(0, dot);
  return path;
}

int RunApplication(CWinApp& app) {
  int code = 0;
  if (!app.InitInstance()) {
    if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
    code = app.ExitInstance();
  } else {
    code = app.Run();
  }
  return code;
}

void EndApplicationNow(int code) {
  static std::atomic<bool> ending{false};
  // Asked again while ending (from what exit() runs): no second exit().
  if (ending.exchange(true)) _exit(code);
  if (CWinApp* app = AfxGetApp()) app->ExitInstance();
  std::exit(code);
}

}  // namespace fw

CWinApp::CWinApp(LPCTSTR appName) {
  g_app = this;
  m_pszExeName = fw::ExecutableName();
  m_pszAppName = appName ? appName : m_pszExeName;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

int CWinApp::Run() {
  MSG msg;
  while (fw::GetNextMessage(&msg)) {
    if (!fw::PreTranslate(&msg)) fw::Dispatch(msg);
  }
  m_nExitCode = fw::RT().quitPosted ? fw::RT().quitCode : 0;
  return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT id) const { return fw::FindIcon(static_cast<int>(id)); }
HCURSOR CWinApp::LoadCursor(UINT id) const { return fw::FindCursor(static_cast<int>(id)); }
HCURSOR CWinApp::LoadStandardCursor(StandardCursor which) const {
  return fw::StandardCursorHandle(which);
}

void CWinApp::DoWaitCursor(int change) {
  m_nWaitCursorCount += change;
  if (m_nWaitCursorCount < 0) m_nWaitCursorCount = 0;
  // The hourglass shows until the pointer next moves over a window, which
  // sets that window's own cursor.
  ::SetCursor(fw::StandardCursorHandle(m_nWaitCursorCount > 0 ? StandardCursor::Wait
                                                              : StandardCursor::Arrow));
}

std::string CWinApp::ProfilePath() const {
  char dir[MAX_PATH + 1] = {};
  GetWindowsDirectory(dir, sizeof dir);
  return std::string(dir) + "/" + m_pszExeName + ".INI";
}

BOOL CWinApp::WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value) {
  return fw::WriteProfileInt(ProfilePath(), section ? section : "", entry ? entry : "", value)
             ? TRUE
             : FALSE;
}

UINT CWinApp::GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue) {
  return static_cast<UINT>(
      fw::GetProfileInt(ProfilePath(), section ? section : "", entry ? entry : "", defaultValue));
}
