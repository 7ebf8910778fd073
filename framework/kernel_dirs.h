// The kernel's folder and disk queries under their Windows names.
#pragma once

#include <cstdint>
#include <string>

#include "framework/wintypes.h"

// Copies the current directory into buffer and returns its length. When it
// does not fit (size must count the terminating NUL), returns the size needed
// including the NUL, as Windows does; then, rather than leaving the buffer
// unset, it holds "." (if size allows), a name of the same directory, so a path
// built from it still points at the right folder. Returns 0 and stores "." when
// the directory cannot be named (it was removed). Never writes past size.
DWORD GetCurrentDirectory(DWORD size, LPTSTR buffer);

// The user's configuration directory ($XDG_CONFIG_HOME when absolute, else
// $HOME/.config), created if missing. Same return convention as
// GetCurrentDirectory; a buffer that is too small receives "".
UINT GetWindowsDirectory(LPTSTR buffer, UINT size);

// Free space of the volume holding the current directory, whatever root names
// ("C:\" included), as the platform measures it: 512-byte sectors, 8 to a
// cluster, cluster counts saturated at 0xFFFFFFFF. FALSE when the platform
// cannot tell. Any out pointer may be null.
BOOL GetDiskFreeSpace(LPCTSTR root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                      DWORD* freeClusters, DWORD* totalClusters);

namespace fw {

// The configuration directory as GetWindowsDirectory gives it.
std::string WindowsDirectory();

// Bytes an unprivileged user may still write on the volume holding dir
// (statvfs: f_bavail × f_frsize). False when dir cannot be examined.
bool StatvfsFreeBytes(const std::string& dir, std::uint64_t& bytes);

}  // namespace fw
