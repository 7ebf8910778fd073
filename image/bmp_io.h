// Whole-file reading and all-or-nothing writing, and the colours of index
// pixels, shared by the BMP, GIF and JPEG handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/file.h"
#include "framework/wintypes.h"

class CImageImpl;

namespace imageio {

// Reads the file (through the program's path resolver) into out, at most
// limit bytes of it: a longer file reads as its first limit bytes. False when
// it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::uint64_t limit, std::vector<BYTE>& out);

enum class WriteResult { kOk, kCannotOpen, kWriteError };

// Gives write a new file beside path to fill; when write returns true (and
// throws nothing) that file replaces path. Otherwise it is removed, so a
// failed write leaves path as it was and no partial file behind.
WriteResult WriteFileAtomically(const std::string& path, const std::function<bool(CFile&)>& write);

// The colours (red, green, blue) of the 256 index values of a picture of
// depth 8 or less: its palette's entries, or without a palette the colours
// its colour table holds. Entries past either's end are black.
void IndexColors(const CImageImpl& image, BYTE rgb[256 * 3]);

}  // namespace imageio
