#include "framework/shell.h"

#include <sys/stat.h>

#include <string>

#include "framework/path_resolver.h"
#include "framework/platform.h"

namespace {

// The classic results of starting a program for a document.
HINSTANCE Result(intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }
constexpr intptr_t kStarted = 42;
constexpr intptr_t kFileNotFound = 2;
constexpr intptr_t kNoAssociation = 31;

bool IsFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

// The program names a Windows word processor and passes the document as its
// parameter; here the desktop's own viewer opens the document. Without
// parameters, file itself is the document.
HINSTANCE ShellExecute(HWND, LPCTSTR operation, LPCTSTR file, LPCTSTR parameters, LPCTSTR directory,
                       int) {
  if (operation && std::string(operation) != "open") return Result(kNoAssociation);
  const char* named = (parameters && *parameters) ? parameters : file;
  if (!named || !*named) return Result(kFileNotFound);
  const std::string document = fw::ResolvePath(named);
  if (!IsFile(document)) return Result(kFileNotFound);
  std::string workingDir = directory && *directory ? fw::ResolvePath(directory) : std::string();
  if (!fw::CurrentPlatform().StartViewer(document, workingDir)) return Result(kNoAssociation);
  return Result(kStarted);
}
