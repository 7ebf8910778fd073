#include "framework/file_replace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace fw {
namespace {

// Tries for a free temporary name before giving up.
constexpr int kNameTries = 16;
// Room kept in a name for the temporary suffix (NAME_MAX is 255).
constexpr std::size_t kMaxTempBase = 200;

bool WriteAllFd(int fd, const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = ::write(fd, in, size);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return false;
    if (put == 0) {
      errno = ENOSPC;
      return false;
    }
    in += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

class FdSink : public ReplaceSink {
 public:
  explicit FdSink(int fd) : m_fd(fd) {}
  bool Write(const void* data, std::size_t size) override {
    if (m_error != 0) return false;
    if (size == 0) return true;
    if (WriteAllFd(m_fd, data, size)) return true;
    m_error = errno;
    return false;
  }
  int error() const { return m_error; }

 private:
  int m_fd;
  int m_error = 0;
};

class MemorySink : public ReplaceSink {
 public:
  bool Write(const void* data, std::size_t size) override {
    const auto* in = static_cast<const char*>(data);
    try {
      m_bytes.insert(m_bytes.end(), in, in + size);
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
      return false;
    }
    return true;
  }
  const std::vector<char>& bytes() const { return m_bytes; }

 private:
  std::vector<char> m_bytes;
};

// Runs fill, turning a throw into a refusal.
bool RunFill(const std::function<bool(ReplaceSink&)>& fill, ReplaceSink& sink) {
  try {
    return fill(sink);
  } catch (...) {
    return false;
  }
}

// The process's umask, read without changing it (other threads may create
// files meanwhile).
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    mode_t found = 022;
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
      char line[256];
      while (std::fgets(line, sizeof line, f)) {
        unsigned value = 0;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
          found = static_cast<mode_t>(value & 0777);
          break;
        }
      }
      std::fclose(f);
    }
    return found;
  }();
  return mask;
}

std::string RandomSuffix() {
  unsigned char bytes[8] = {};
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy source: the exclusive create still keeps the name safe.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) ^
                                   (static_cast<unsigned long long>(getpid()) << 32) ^
                                   reinterpret_cast<std::uintptr_t>(&now);
    std::memcpy(bytes, &mix, sizeof bytes);
  }
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  for (unsigned char b : bytes) {
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

// The file a write replaces: for a link, the file it names in the end.
int ResolveTarget(const std::string& path, std::string& target) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    // A link to nothing is not followed to make a file somewhere else.
    if (real == nullptr) return errno == ENOENT ? ENOENT : errno;
    target = real;
    std::free(real);
    return 0;
  }
  target = path;
  return 0;
}

void FlushFolder(int dirFd) {
  // Not every file system can flush a folder; the rename has happened.
  ::fsync(dirFd);
}

// Rewrites an existing file where it is: the whole content is made first and
// the space reserved, so a full disk is found before the old bytes change.
int RewriteInPlace(const std::string& target, const struct stat& old,
                   const std::function<bool(ReplaceSink&)>& fill) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  struct stat now {};
  if (::fstat(fd, &now) != 0 || now.st_dev != old.st_dev || now.st_ino != old.st_ino ||
      !S_ISREG(now.st_mode)) {
    ::close(fd);
    return EBUSY;
  }
  MemorySink sink;
  if (!RunFill(fill, sink)) {
    const int err = errno == ENOMEM ? ENOMEM : ECANCELED;
    ::close(fd);
    return err;
  }
  const auto& bytes = sink.bytes();
  const off_t size = static_cast<off_t>(bytes.size());
  if (size > 0 && ::fallocate(fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  int err = 0;
  std::size_t done = 0;
  while (err == 0 && done < bytes.size()) {
    const ssize_t put =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      err = put < 0 ? errno : ENOSPC;
    } else {
      done += static_cast<std::size_t>(put);
    }
  }
  if (err == 0 && ::ftruncate(fd, size) != 0) err = errno;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}

}  // namespace

int ReplaceFile(const std::string& path, const std::function<bool(ReplaceSink&)>& fill,
                mode_t newFileMode) {
  if (path.empty() || path.find('\0') != std::string::npos) return ENOENT;
  std::string target;
  if (const int err = ResolveTarget(path, target); err != 0) return err;

  struct stat old {};
  bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return errno;
  if (exists && !S_ISREG(old.st_mode)) return S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
  // A file the user may not write is not replaced behind its permissions.
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return errno;

  const std::string::size_type slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.empty() || base == "." || base == "..") return EISDIR;

  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return errno;

  // The temporary file: a hidden name of its own, made here and nowhere else.
  std::string temp;
  int fd = -1;
  int createError = 0;
  for (int i = 0; i < kNameTries && fd < 0; ++i) {
    temp = "." + base.substr(0, kMaxTempBase) + "." + RandomSuffix() + ".tmp";
    fd = ::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    createError = fd < 0 ? errno : 0;
    if (fd < 0 && createError != EEXIST) break;
  }
  if (fd < 0) {
    ::close(dirFd);
    if (exists && (createError == EACCES || createError == EPERM)) {
      return RewriteInPlace(target, old, fill);
    }
    return createError;
  }

  int err = 0;
  // The final permission bits before any byte is written; the old file's
  // owner where the process may give it.
  const mode_t mode = exists ? (old.st_mode & 07777) : (newFileMode & ~CurrentUmask() & 07777);
  if (exists) {
    struct stat mine {};
    if (::fstat(fd, &mine) == 0 && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid)) {
      // Where the process may not give the file away it stays the writer's.
      [[maybe_unused]] const int given = ::fchown(fd, old.st_uid, old.st_gid);
    }
  }
  if (::fchmod(fd, mode) != 0) err = errno;

  FdSink sink(fd);
  if (err == 0 && !RunFill(fill, sink)) err = sink.error() != 0 ? sink.error() : ECANCELED;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::renameat(dirFd, temp.c_str(), dirFd, base.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlinkat(dirFd, temp.c_str(), 0);
  } else {
    FlushFolder(dirFd);
  }
  ::close(dirFd);
  return err;
}

}  // namespace fw
