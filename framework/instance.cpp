#include "framework/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/platform.h"

namespace fw {

namespace {

constexpr int kReplyTimeoutMs = 15000;  // the owner may be busy in a long click

std::string SocketDir(const std::string& scope) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string base =
      (runtime && *runtime) ? std::string(runtime) : "/tmp/pippalee-" + std::to_string(getuid());
  mkdir(base.c_str(), 0700);
  std::string dir = base + "/pippalee";
  mkdir(dir.c_str(), 0700);
  std::string safe;
  for (char c : scope) safe += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  dir += "/" + (safe.empty() ? std::string("default") : safe);
  mkdir(dir.c_str(), 0700);
  return dir;
}

std::string SocketPath(const std::string& scope, const std::string& title) {
  // FNV-1a of the title keeps the name short and free of odd characters.
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : title) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.sock", static_cast<unsigned long long>(h));
  return SocketDir(scope) + name;
}

bool FillAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size());
  return true;
}

int Connect(const std::string& path) {
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool ReadLine(int fd, std::string* line, int timeoutMs) {
  line->clear();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (line->size() < 256) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) return false;
    char c;
    ssize_t n = read(fd, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
    *line += c;
  }
  return false;
}

void WriteAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

struct Pending {
  InstanceRequest request;
  std::promise<std::string> reply;
};

// One published title. Destroying it stops its thread and takes its socket
// away, however the process ends: a joinable thread left to the end of the
// process (exit() called by a library, say) would end it with std::terminate.
struct Listener {
  std::string title;
  std::string path;
  int fd = -1;
  int stopPipe[2] = {-1, -1};
  std::thread thread;

  ~Listener();
};

std::mutex g_mutex;
std::deque<std::shared_ptr<Pending>> g_inbox;
std::map<std::string, std::unique_ptr<Listener>> g_listeners;

void Serve(Listener* l) {
  while (true) {
    pollfd p[2] = {{l->fd, POLLIN, 0}, {l->stopPipe[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    int c = accept4(l->fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) continue;
    std::string line;
    if (ReadLine(c, &line, 2000)) {
      auto pending = std::make_shared<Pending>();
      const size_t space = line.find(' ');
      pending->request.command = line.substr(0, space);
      pending->request.title = l->title;
      if (space != std::string::npos) {
        pending->request.window = std::strtoull(line.c_str() + space + 1, nullptr, 10);
      }
      std::future<std::string> answer = pending->reply.get_future();
      {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_inbox.push_back(pending);
      }
      if (HasPlatform()) CurrentPlatform().Wake();
      // A stop request must not wait for a UI thread that is itself stopping.
      while (answer.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        pollfd s{l->stopPipe[0], POLLIN, 0};
        if (poll(&s, 1, 0) > 0) {
          close(c);
          return;
        }
      }
      WriteAll(c, answer.get() + "\n");
    }
    close(c);
  }
}

Listener::~Listener() {
  if (stopPipe[1] >= 0) {
    char b = 1;
    [[maybe_unused]] ssize_t n = write(stopPipe[1], &b, 1);
  }
  if (thread.joinable()) {
    // The process may be ending from the listening thread itself.
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();
    } else {
      thread.join();
    }
  }
  if (fd >= 0) {
    close(fd);
    unlink(path.c_str());
  }
  for (int p : stopPipe) {
    if (p >= 0) close(p);
  }
}

}  // namespace

void PublishTitle(const std::string& scope, const std::string& title) {
  if (title.empty() || g_listeners.count(title)) return;
  auto l = std::make_unique<Listener>();
  l->title = title;
  l->path = SocketPath(scope, title);
  sockaddr_un addr;
  if (!FillAddress(l->path, &addr)) return;
  int probe = Connect(l->path);
  if (probe >= 0) {
    // Another process already answers to this title; it stays the one found.
    close(probe);
    return;
  }
  unlink(l->path.c_str());  // a socket left by a copy that died
  l->fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (l->fd < 0) return;
  if (bind(l->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(l->fd, 8) != 0 ||
      pipe2(l->stopPipe, O_CLOEXEC) != 0) {
    close(l->fd);
    l->fd = -1;  // the socket's name may be another process's by now
    return;
  }
  Listener* raw = l.get();
  l->thread = std::thread([raw] { Serve(raw); });
  g_listeners[title] = std::move(l);
}

void WithdrawTitle(const std::string& title) {
  auto it = g_listeners.find(title);
  if (it == g_listeners.end()) return;
  g_listeners.erase(it);
}

void WithdrawAllTitles() {
  g_listeners.clear();
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto& p : g_inbox) p->reply.set_value("");
  g_inbox.clear();
}

void ServeInstanceRequests(const InstanceHandler& handler) {
  while (true) {
    std::shared_ptr<Pending> p;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      if (g_inbox.empty()) return;
      p = g_inbox.front();
      g_inbox.pop_front();
    }
    p->reply.set_value(handler(p->request));
  }
}

bool AskInstance(const std::string& scope, const std::string& title, const std::string& command,
                 std::uint64_t window, std::string* reply) {
  int fd = Connect(SocketPath(scope, title));
  if (fd < 0) return false;
  WriteAll(fd, command + " " + std::to_string(window) + "\n");
  std::string line;
  bool ok = ReadLine(fd, &line, kReplyTimeoutMs);
  close(fd);
  if (ok && reply) *reply = line;
  return ok;
}

}  // namespace fw
