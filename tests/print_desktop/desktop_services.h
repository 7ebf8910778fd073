// Services the desktop tests start for themselves: an X server (Xvfb) and a
// CUPS server with printers whose jobs land as files in a folder.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/print/print_support.h"

namespace desktop_test {

inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    FILE* out = std::fopen(log.c_str(), "w");
    if (out) {
      dup2(fileno(out), 1);
      dup2(fileno(out), 2);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

inline void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

inline bool Exited(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == pid; }

// An X server of its own on a free display number.
class XServer {
 public:
  XServer() {
    if (!print_test::HaveTool("Xvfb")) {
      why_ = "Xvfb is not installed";
      return;
    }
    for (int n = 90 + static_cast<int>(getpid() % 50); n < 200; ++n) {
      if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) ||
          std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock")) {
        continue;
      }
      display_ = ":" + std::to_string(n);
      pid_ =
          Spawn({"Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, "/dev/null");
      for (int i = 0; i < 100; ++i) {
        if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
          setenv("DISPLAY", display_.c_str(), 1);
          return;
        }
        if (Exited(pid_)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      Stop(pid_);
    }
    why_ = "Xvfb could not be started";
    display_.clear();
  }
  ~XServer() { Stop(pid_); }
  bool ok() const { return !display_.empty(); }
  const std::string& why() const { return why_; }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string why_;
};

// A CUPS server in a temporary folder, listening on a socket there. Printers
// added with AddPrinter write each job to <folder>/out/job-N.pdf, with its
// title and copies beside it.
class CupsServer {
 public:
  CupsServer() {
    if (!print_test::HaveTool("cupsd") || !print_test::HaveTool("lpadmin")) {
      why_ = "cupsd or lpadmin is not installed";
      return;
    }
    const std::string d = folder_.path();
    for (const char* sub : {"spool", "cache", "state", "log", "out", "bin/backend"}) {
      std::filesystem::create_directories(d + "/" + sub);
    }
    chmod((d + "/out").c_str(), 0777);
    for (const char* sub : {"filter", "daemon", "cgi-bin", "notifier", "monitor", "driver"}) {
      std::error_code ec;
      std::filesystem::create_directory_symlink(std::string("/usr/lib/cups/") + sub,
                                                d + "/bin/" + sub, ec);
    }
    std::ofstream(d + "/bin/backend/tofile")
        << "#!/bin/sh\n"
           "if [ $# -eq 0 ]; then echo 'direct tofile \"Unknown\" \"Test output\"'; exit 0; fi\n"
           "dir=\"${DEVICE_URI#tofile:}\"\n"
           "if [ -n \"$6\" ]; then cat \"$6\" > \"$dir/job-$1.part\"; else cat > "
           "\"$dir/job-$1.part\"; fi\n"
           "printf '%s' \"$3\" > \"$dir/job-$1.title\"\n"
           "printf '%s' \"$4\" > \"$dir/job-$1.copies\"\n"
           "mv \"$dir/job-$1.part\" \"$dir/job-$1.pdf\"\n";
    // Owned by root and closed to others, so that cupsd runs it as root.
    chmod((d + "/bin/backend/tofile").c_str(), 0700);
    socket_ = d + "/cups.sock";
    std::ofstream(d + "/cupsd.conf") << "Listen " << socket_ << "\nLogLevel warn\n"
                                     << "<Location />\n  Order allow,deny\n  Allow all\n"
                                        "</Location>\n<Location /admin>\n  Order allow,deny\n"
                                        "  Allow all\n</Location>\n<Policy default>\n"
                                        "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                        "</Policy>\n";
    std::ofstream(d + "/cups-files.conf")
        << "ServerRoot " << d << "\nRequestRoot " << d << "/spool\nCacheDir " << d
        << "/cache\nStateDir " << d << "/state\nTempDir " << d << "/spool\nErrorLog " << d
        << "/log/error_log\nAccessLog " << d << "/log/access_log\nPageLog " << d
        << "/log/page_log\nServerBin " << d << "/bin\nDataDir /usr/share/cups\n";
    pid_ = Spawn({"cupsd", "-f", "-c", d + "/cupsd.conf", "-s", d + "/cups-files.conf"},
                 d + "/log/cupsd.out");
    for (int i = 0; i < 200; ++i) {
      if (Answers()) return;
      if (Exited(pid_)) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    why_ = "cupsd could not be started: " + print_test::ReadBytes(d + "/log/cupsd.out") +
           print_test::ReadBytes(d + "/log/error_log");
    Stop(pid_);
    socket_.clear();
  }
  ~CupsServer() { Stop(pid_); }

  bool ok() const { return !socket_.empty(); }
  const std::string& why() const { return why_; }
  const std::string& socket() const { return socket_; }
  std::string out() const { return folder_.path() + "/out"; }

  bool AddPrinter(const std::string& name, const std::string& info, bool isDefault) {
    const std::string env = "CUPS_SERVER='" + socket_ + "' ";
    bool ok = print_test::RunCommand(env + "lpadmin -p " + name + " -E -v tofile:" + out() +
                                     " -m raw -D '" + info + "' >/dev/null 2>&1");
    if (ok && isDefault)
      ok = print_test::RunCommand(env + "lpadmin -d " + name + " >/dev/null 2>&1");
    return ok;
  }

  // Waits for job files to arrive; their paths.
  std::vector<std::string> WaitForJobs(std::size_t count, int seconds = 20) {
    std::vector<std::string> jobs;
    for (int i = 0; i < seconds * 20; ++i) {
      jobs.clear();
      for (const auto& e : std::filesystem::directory_iterator(out())) {
        if (e.path().extension() == ".pdf") jobs.push_back(e.path().string());
      }
      if (jobs.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return jobs;
  }

 private:
  bool Answers() const {
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (s < 0) return false;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof a.sun_path, "%s", socket_.c_str());
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
  }

  print_test::TempFolder folder_;
  pid_t pid_ = -1;
  std::string socket_;
  std::string why_;
};

}  // namespace desktop_test
