// A private folder per test, removed afterwards, and helpers to fill it.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace files_test {

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/pippalee-files-XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp");
    // The real name, as getcwd() gives it.
    m_path = std::filesystem::canonical(name).string();
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

  // Creates a file (and its folders) holding content.
  std::string Make(const std::string& relative, const std::string& content = {}) const {
    std::filesystem::path full = *this / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full.string();
  }
  std::string MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(*this / relative);
    return *this / relative;
  }

 private:
  std::string m_path;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Sets a folder's modification time to now + offsetSeconds.
inline void SetModified(const std::string& path, double offsetSeconds) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec +
                 static_cast<long long>(offsetSeconds * 1e9);
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = ns / 1000000000LL;
  times[0].tv_nsec = times[1].tv_nsec = ns % 1000000000LL;
  if (times[0].tv_nsec == 0) times[0].tv_nsec = times[1].tv_nsec = 1;
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline void SetModifiedExactly(const std::string& path, const timespec& when) {
  timespec times[2] = {when, when};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline timespec Modified(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mtim;
}

// Makes path the current directory for the scope's life.
class CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const std::string& path)
      : m_saved(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentDirectoryScope() {
    std::error_code ignored;
    std::filesystem::current_path(m_saved, ignored);
  }

 private:
  std::filesystem::path m_saved;
};

}  // namespace files_test
