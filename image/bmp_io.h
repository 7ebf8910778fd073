// Whole-file reading and writing for the BMP, GIF and JPEG handlers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "framework/wintypes.h"

namespace imageio {

// Reads the file (through the program's path resolver) into out, at most
// limit bytes of it: a longer file reads as its first limit bytes. False when
// it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::uint64_t limit, std::vector<BYTE>& out);

enum class WriteResult { kOk, kCannotOpen, kWriteError };

// Writes the parts one after the other as the whole new content of path. The
// bytes go to a new file beside it first, which then replaces path, so a
// failed write leaves path as it was and no partial file behind.
WriteResult WriteFileBytes(const std::string& path, std::span<const std::span<const BYTE>> parts);

}  // namespace imageio
