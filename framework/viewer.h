// Starting a document viewer for a file, outside any shell.
#pragma once

#include <string>

namespace fw {

// Starts xdg-open (or the first word processor found) on document, in
// workingDir, without waiting for it. False when no viewer could be started.
bool StartViewerProcess(const std::string& document, const std::string& workingDir);

}  // namespace fw
