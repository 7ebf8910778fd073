// Runs the whole book on the headless platform, in a temporary folder of its
// own, with a scripted user. A run takes milliseconds of real time.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/book_app.h"
#include "app/main_frame.h"
#include "framework/headless/headless_platform.h"
#include "framework/runtime.h"
#include "screen/main_screen.h"
#include "tests/support/data_files.h"
#include "tests/support/surface_png.h"

namespace testing_support {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/pippalee-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One run of the book. Set up the platform and the script, then Run().
class BookRun {
 public:
  BookRun() {
    contentDir = dir.path() + "/content";
    configDir = dir.path() + "/config";
    std::filesystem::create_directories(contentDir);
    std::filesystem::create_directories(configDir);
    // The book refuses to start without the files its data-file check
    // measures; tests that look at the stage put real pictures over them.
    WriteCheckedDataFiles(contentDir);
  }
  ~BookRun() { Cleanup(); }

  // Runs the program to its end (or to the end of the script).
  int Run() {
    char old[4096] = {};
    const bool hadCwd = getcwd(old, sizeof old) != nullptr;
    [[maybe_unused]] int r = chdir(contentDir.c_str());
    setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
    CMainFrame::s_nCtrlDown = 0;
    CMainScreen::s_nCtrlDown = 0;
    CMainScreen::s_nHoverBand = 0;
    CMainScreen::s_nHoverShown = -1;
    CMainScreen::s_bTuneRewound = 0;
    fw::SetPlatform(&platform);
    {
      CBookApp app;
      app.m_pszExeName = "pippalee";
      app_ = &app;
      try {
        exitCode = fw::RunApplication(app);
      } catch (const fw::headless::ProcessExit& e) {
        processExited = true;
        exitCode = e.code;
      }
      SaveSurfacesIfFailed();
      // What the script left open goes, as at the end of a process.
      for (HWND h : fw::TopLevelWindows()) {
        if (IsWindow(h) && h->object) h->object->DestroyWindow();
      }
      app_ = nullptr;
    }
    fw::ResetRuntime();
    fw::SetPlatform(nullptr);
    if (hadCwd) r = chdir(old);
    return exitCode;
  }

  std::string ProfilePath() const { return configDir + "/pippalee.INI"; }
  bool ProfileWritten() const { return std::filesystem::exists(ProfilePath()); }

  // During the run: the frame and its main screen.
  static CMainFrame* Frame() { return dynamic_cast<CMainFrame*>(AfxGetMainWnd()); }

  TempDir dir;
  std::string contentDir;
  std::string configDir;
  fw::headless::HeadlessPlatform platform;
  int exitCode = -1;
  bool processExited = false;

 private:
  void Cleanup() {}
  CBookApp* app_ = nullptr;
};

}  // namespace testing_support
