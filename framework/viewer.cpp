#include "framework/viewer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace fw {
namespace {

// The first program of the list that is on the PATH, "" when none is.
std::string FindOnPath(const std::vector<std::string>& programs) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (const std::string& program : programs) {
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      std::string candidate = end > start ? dirs.substr(start, end - start) : std::string(".");
      candidate.append(1, '/').append(program);
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
      start = end + 1;
    }
  }
  return "";
}

// Children are not waited for; letting the kernel reap them keeps no zombies.
void ReapChildrenAutomatically() {
  static bool done = false;
  if (done) return;
  done = true;
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  action.sa_flags = SA_NOCLDWAIT;
  ::sigaction(SIGCHLD, &action, nullptr);
}

}  // namespace

bool StartViewerProcess(const std::string& document, const std::string& workingDir) {
  const std::string viewer =
      FindOnPath({"xdg-open", "libreoffice", "abiword", "soffice", "calligrawords"});
  if (viewer.empty()) return false;
  ReapChildrenAutomatically();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The viewer's chatter does not belong on the book's terminal.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  struct stat info {};
  if (!workingDir.empty() && ::stat(workingDir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
  }
  std::vector<char*> argv{const_cast<char*>(viewer.c_str()), const_cast<char*>(document.c_str()),
                          nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, viewer.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0;
}

}  // namespace fw
