#include "framework/kernel_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/path_resolver.h"
#include "framework/platform.h"

namespace {

// Stores text in buffer when it fits with its NUL; the Windows return
// convention: the length copied, or the size needed (NUL counted).
DWORD CopyOut(const std::string& text, char* buffer, DWORD size, const char* fallback) {
  if (buffer != nullptr && text.size() < size) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
  }
  if (buffer != nullptr && size > std::strlen(fallback)) {
    std::memcpy(buffer, fallback, std::strlen(fallback) + 1);
  }
  return static_cast<DWORD>(std::min<std::size_t>(text.size() + 1, 0xFFFFFFFFu));
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

// mkdir -p; the folders made are private to the user, as configuration is.
void MakeFolders(const std::string& path) {
  for (std::string::size_type pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      std::string part = path.substr(0, pos);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
  }
}

}  // namespace

namespace fw {

std::string WindowsDirectory() {
  std::string dir;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Relative values are to be ignored.
  if (xdg != nullptr && xdg[0] == '/') {
    dir = xdg;
  } else {
    std::string home = HomeDirectory();
    if (home.empty()) return {};
    dir = home == "/" ? "/.config" : home + "/.config";
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  MakeFolders(dir);
  return dir;
}

bool StatvfsFreeBytes(const std::string& dir, std::uint64_t& bytes) {
  struct statvfs vfs {};
  if (statvfs(dir.c_str(), &vfs) != 0) return false;
  std::uint64_t blocks = vfs.f_bavail;
  std::uint64_t size = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
  bytes = size != 0 && blocks > UINT64_MAX / size ? UINT64_MAX : blocks * size;
  return true;
}

}  // namespace fw

DWORD GetCurrentDirectory(DWORD size, LPTSTR buffer) {
  std::string dir = fw::ProcessCurrentDirectory();
  if (dir.empty()) {
    CopyOut(".", buffer, size, "");
    return 0;
  }
  return CopyOut(dir, buffer, size, ".");
}

UINT GetWindowsDirectory(LPTSTR buffer, UINT size) {
  std::string dir = fw::WindowsDirectory();
  if (dir.empty()) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return 0;
  }
  return CopyOut(dir, buffer, size, "");
}

BOOL GetDiskFreeSpace(LPCTSTR /*root*/, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                      DWORD* freeClusters, DWORD* totalClusters) {
  constexpr std::uint64_t kBytesPerSector = 512;
  constexpr std::uint64_t kSectorsPerCluster = 8;
  constexpr std::uint64_t kClusterBytes = kBytesPerSector * kSectorsPerCluster;
  std::string dir = fw::ProcessCurrentDirectory();
  if (dir.empty()) dir = ".";
  std::uint64_t freeBytes = 0;
  if (!fw::CurrentPlatform().DiskFreeBytes(dir, freeBytes)) return FALSE;

  auto clusters = [](std::uint64_t bytes) {
    return static_cast<DWORD>(std::min<std::uint64_t>(bytes / kClusterBytes, 0xFFFFFFFFu));
  };
  // The platform knows only the free space; the volume's size comes from the
  // file system, and is never reported below what is free.
  std::uint64_t totalBytes = freeBytes;
  struct statvfs vfs {};
  if (statvfs(dir.c_str(), &vfs) == 0) {
    std::uint64_t unit = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
    std::uint64_t blocks = vfs.f_blocks;
    std::uint64_t fsBytes = unit != 0 && blocks > UINT64_MAX / unit ? UINT64_MAX : blocks * unit;
    totalBytes = std::max(totalBytes, fsBytes);
  }
  if (sectorsPerCluster != nullptr) *sectorsPerCluster = kSectorsPerCluster;
  if (bytesPerSector != nullptr) *bytesPerSector = kBytesPerSector;
  if (freeClusters != nullptr) *freeClusters = clusters(freeBytes);
  if (totalClusters != nullptr) *totalClusters = clusters(totalBytes);
  return TRUE;
}
