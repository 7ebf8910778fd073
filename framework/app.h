// The application object and the program's run: start-up, the message loop,
// exit processing, the private profile, resources and the wait cursor.
#pragma once

#include <string>

#include "framework/wintypes.h"
#include "framework/wnd.h"

class CWinApp {
 public:
  explicit CWinApp(LPCTSTR appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  virtual int Run();

  HICON LoadIcon(UINT id) const;
  HCURSOR LoadCursor(UINT id) const;
  HCURSOR LoadStandardCursor(StandardCursor which) const;
  void BeginWaitCursor() { DoWaitCursor(1); }
  void EndWaitCursor() { DoWaitCursor(-1); }
  void DoWaitCursor(int change);

  BOOL WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value);
  UINT GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue);
  // The initialisation file of the private profile: <executable name>.INI in
  // the user's configuration folder.
  std::string ProfilePath() const;

  std::string m_pszAppName;
  std::string m_pszExeName;
  CWnd* m_pMainWnd = nullptr;
  int m_nWaitCursorCount = 0;

 protected:
  int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

namespace fw {

// Runs app to its end on the current platform, as the framework's entry point
// does: InitInstance, the message loop, ExitInstance. Returns the exit code.
int RunApplication(CWinApp& app);

// The executable's name without folder or extension ("pippalee").
std::string ExecutableName();

}  // namespace fw
