// Whole-file reading and all-or-nothing writing, and the colours of index
// pixels, shared by the BMP, GIF and JPEG handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/file_replace.h"
#include "framework/wintypes.h"

class CImageImpl;

namespace imageio {

// Reads the file (through the program's path resolver) into out, at most
// limit bytes of it: a longer file reads as its first limit bytes. False when
// it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::uint64_t limit, std::vector<BYTE>& out);

enum class WriteResult { kOk, kCannotOpen, kWriteError };

// Replaces the file at path (through the program's path resolver) with what
// write puts in the sink, the framework's one safe way (fw::ReplaceFile).
// When write returns false or throws, path is left as it was.
WriteResult WriteFileAtomically(const std::string& path,
                                const std::function<bool(fw::ReplaceSink&)>& write);

// The colours (red, green, blue) of the 256 index values of a picture of
// depth 8 or less: its palette's entries, or without a palette the colours
// its colour table holds. Entries past either's end are black.
void IndexColors(const CImageImpl& image, BYTE rgb[256 * 3]);

}  // namespace imageio
