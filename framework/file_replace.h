// Replacing a file's content all at once, the one way every writer of the
// program uses: the new bytes go into a temporary file with an unpredictable
// name in the target's folder, created exclusively and never through a link,
// flushed to disk and renamed over the target, and the folder is flushed. A
// target that is a symbolic link is written through (the link stays), the
// target's permission bits are kept, and where the folder refuses new files a
// writable target is rewritten in place; a target the process may not write
// is refused. A failure leaves the old file as it was and no temporary file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

namespace fw {

// Where the new content is written.
class ReplaceSink {
 public:
  virtual ~ReplaceSink() = default;
  // Appends size bytes; false (errno set) when they cannot be written.
  virtual bool Write(const void* data, std::size_t size) = 0;
};

// Replaces the file at path (a path on disk) by what fill writes to the sink.
// fill returns false (or throws) to give up; the old file is then untouched.
// A new file gets newFileMode less the process's umask. Returns 0, or the
// errno value that made it fail (ECANCELED when fill gave up).
int ReplaceFile(const std::string& path, const std::function<bool(ReplaceSink&)>& fill,
                mode_t newFileMode = 0666);

}  // namespace fw
