// The one place where a path the program built becomes a path the kernel
// understands. The program writes paths the Windows way ("...\books\Title3.png")
// and spells its file names in mixed case; the content on disk is spelt one way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// Resolves path to an absolute path on disk:
// - `\` and `/` both separate folders; empty and "." components are dropped;
// - a relative path starts at the process's current directory;
// - every component is looked up in its folder: an exact match first, else the
//   one entry that equals it with ASCII letters folded (if several do, the
//   bytewise smallest, so the choice is stable); other bytes compare exactly;
// - from the first component that does not exist on, the rest is kept as
//   given, so a missing file can be created under its existing folders.
// Returns "" for a path that cannot name a file (empty, or holding a NUL byte).
std::string ResolvePath(const std::string& path);

// The process's current directory, "" when it cannot be named (removed).
std::string ProcessCurrentDirectory();

// Whether name matches a pattern of `*` (any run) and `?` (one byte), ASCII
// letters compared without regard to case. "*.*" matches every name, as the
// Windows file search has it.
bool MatchFileNamePattern(const std::string& name, const std::string& pattern);

// ASCII case folding, the comparison file names are matched with.
std::string FoldFileNameCase(const std::string& name);

// Test hooks: how many folders have been read so far, and dropping every
// cached listing.
std::uint64_t PathListingCount();
// Every path resolved since the last reset (the first 100,000), from the
// program's thread.
void ResetPathQueryLog();
std::vector<std::string> PathQueryLog();
void ClearPathCache();

}  // namespace fw
