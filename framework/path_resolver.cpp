#include "framework/path_resolver.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {
namespace {

// One folder's names as last read, and what the folder looked like then.
struct Listing {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  // False when the folder changed so shortly before it was read that a later
  // change could leave its timestamp as it is; such a listing is read again.
  bool stable = false;
  std::unordered_set<std::string> names;
  std::unordered_map<std::string, std::string> folded;  // folded name -> name on disk
};

struct Cache {
  std::mutex mutex;
  std::unordered_map<std::string, Listing> listings;
  std::uint64_t listingCount = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

// The program touches a handful of folders; this only bounds a runaway caller.
constexpr std::size_t kMaxCachedFolders = 256;

long long Nanoseconds(const timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// How long after a change a folder's timestamp may still come out the same for
// a second change: the kernel stamps changes from its coarse clock.
long long RacyWindowNs(const timespec& mtime) {
  // A timestamp with no fraction comes from a file system that keeps whole
  // seconds (or two, on FAT).
  if (mtime.tv_nsec == 0) return 2'000'000'000LL;
  static const long long window = [] {
    timespec res{};
    long long ns = 0;
    if (clock_getres(CLOCK_REALTIME_COARSE, &res) == 0) ns = Nanoseconds(res);
    return std::max(2 * ns, 10'000'000LL);
  }();
  return window;
}

bool ReadFolder(const std::string& dir, Listing& out) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(d);
    if (entry == nullptr) break;
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string key = FoldFileNameCase(name);
    auto [it, inserted] = out.folded.emplace(key, name);
    if (!inserted && name < it->second) it->second = name;
    out.names.insert(std::move(name));
  }
  bool ok = errno == 0;
  closedir(d);
  return ok;
}

// Finds name in folder dir, whose status st was taken just now.
bool LookUp(const std::string& dir, const struct stat& st, const std::string& name,
            std::string& actual) {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto it = cache.listings.find(dir);
  bool fresh = it != cache.listings.end() && it->second.stable && it->second.dev == st.st_dev &&
               it->second.ino == st.st_ino && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
               it->second.mtime.tv_nsec == st.st_mtim.tv_nsec;
  if (!fresh) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    Listing listing;
    listing.dev = st.st_dev;
    listing.ino = st.st_ino;
    listing.mtime = st.st_mtim;
    ++cache.listingCount;
    if (!ReadFolder(dir, listing)) {
      if (it != cache.listings.end()) cache.listings.erase(it);
      return false;
    }
    listing.stable = Nanoseconds(now) - Nanoseconds(st.st_mtim) >= RacyWindowNs(st.st_mtim);
    if (it == cache.listings.end() && cache.listings.size() >= kMaxCachedFolders) {
      cache.listings.clear();
    }
    it = cache.listings.insert_or_assign(dir, std::move(listing)).first;
  }
  const Listing& listing = it->second;
  if (listing.names.count(name) != 0) {
    actual = name;
    return true;
  }
  auto folded = listing.folded.find(FoldFileNameCase(name));
  if (folded == listing.folded.end()) return false;
  actual = folded->second;
  return true;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir == "/") return "/" + name;
  return dir + "/" + name;
}

bool IsFolder(const std::string& path, struct stat& st) {
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string FoldFileNameCase(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string ProcessCurrentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE || buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

namespace {
// Every path asked for since the last reset, for tests that check what the
// program looks at.
std::vector<std::string>& QueryLog() {
  static std::vector<std::string> log;
  return log;
}
}  // namespace

void ResetPathQueryLog() { QueryLog().clear(); }
std::vector<std::string> PathQueryLog() { return QueryLog(); }

std::string ResolvePath(const std::string& path) {
  if (QueryLog().size() < 100000) QueryLog().push_back(path);
  if (path.empty() || path.find('\0') != std::string::npos) return {};

  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty() && part != ".") parts.push_back(part);

  std::string base;
  if (path[0] == '/' || path[0] == '\\') {
    base = "/";
  } else {
    base = ProcessCurrentDirectory();
    // A removed current directory can still be reached through ".".
    if (base.empty()) base = ".";
  }
  auto prefix = [&](std::size_t count) {
    std::string s = base;
    for (std::size_t i = 0; i < count; ++i) s = Join(s, parts[i]);
    return s;
  };
  const std::size_t n = parts.size();
  std::string full = prefix(n);
  if (n == 0) return full;

  // The path as given wins when it exists: every component matched exactly.
  struct stat st {};
  if (stat(full.c_str(), &st) == 0) return full;

  // Else start from the longest folder that exists as given.
  std::size_t k = n - 1;
  std::string dir;
  for (;;) {
    dir = prefix(k);
    if (IsFolder(dir, st)) break;
    if (k == 0) return full;
    --k;
  }

  auto keepRest = [&](std::size_t from) {
    for (std::size_t j = from; j < n; ++j) dir = Join(dir, parts[j]);
    return dir;
  };
  for (std::size_t i = k; i < n; ++i) {
    std::string actual;
    if (parts[i] == "..") {
      actual = parts[i];
    } else if (!LookUp(dir, st, parts[i], actual)) {
      return keepRest(i);
    }
    dir = Join(dir, actual);
    if (i + 1 < n && !IsFolder(dir, st)) return keepRest(i + 1);
  }
  return dir;
}

bool MatchFileNamePattern(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*") return true;
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  // Greedy match with one backtrack point: the last star seen.
  std::size_t n = 0, p = 0;
  std::size_t star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::uint64_t PathListingCount() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  return cache.listingCount;
}

void ClearPathCache() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  cache.listings.clear();
}

}  // namespace fw
