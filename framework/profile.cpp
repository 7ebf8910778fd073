#include "framework/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "framework/file_replace.h"
#include "framework/path_resolver.h"

namespace fw {
namespace {

// A profile larger than this is not one of ours; it is left alone.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

struct Line {
  std::string text;
  std::string eol;  // "\n", "\r\n", or "" on a last line without one
};

std::string Trim(const std::string& s) {
  std::string::size_type b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  std::string::size_type e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return FoldFileNameCase(Trim(a)) == FoldFileNameCase(Trim(b));
}

// Reads the whole file. A missing file reads as empty; nullopt when it exists
// but cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return std::string();
    return std::nullopt;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > kMaxProfileBytes) {
    ::close(fd);
    return std::nullopt;
  }
  std::string content;
  char buffer[8192];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || content.size() + static_cast<std::size_t>(got) > kMaxProfileBytes) {
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return content;
}

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  std::string::size_type start = 0;
  while (start < content.size()) {
    std::string::size_type nl = content.find('\n', start);
    Line line;
    if (nl == std::string::npos) {
      line.text = content.substr(start);
      start = content.size();
    } else {
      line.text = content.substr(start, nl - start);
      line.eol = "\n";
      start = nl + 1;
    }
    if (!line.eol.empty() && !line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.eol = "\r\n";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool IsComment(const std::string& trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

// The name of a "[section]" line.
std::optional<std::string> SectionName(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty() || t[0] != '[') return std::nullopt;
  std::string::size_type close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// The key and value of a "key=value" line.
bool KeyValue(const std::string& text, std::string& key, std::string& value) {
  std::string t = Trim(text);
  if (t.empty() || IsComment(t) || t[0] == '[') return false;
  std::string::size_type eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return !key.empty();
}

struct Place {
  std::optional<std::size_t> header;  // the section's header line
  std::size_t end = 0;                // one past its last line
  std::optional<std::size_t> keyLine;
  std::string keyText;  // the key as the file spells it
  std::string value;
};

Place Find(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  Place place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionName(lines[i].text)) {
      if (place.header) {
        place.end = i;
        return place;
      }
      if (SameName(*name, section)) place.header = i;
      continue;
    }
    if (!place.header || place.keyLine) continue;
    std::string k, v;
    if (KeyValue(lines[i].text, k, v) && SameName(k, key)) {
      place.keyLine = i;
      place.keyText = k;
      place.value = v;
    }
  }
  place.end = lines.size();
  return place;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

bool ValidNames(const std::string& section, const std::string& key) {
  std::string s = Trim(section), k = Trim(key);
  if (s.empty() || k.empty() || HasLineBreak(s) || HasLineBreak(k)) return false;
  if (s.find(']') != std::string::npos) return false;
  if (k.find('=') != std::string::npos || k[0] == '[' || IsComment(k)) return false;
  return s.find('\0') == std::string::npos && k.find('\0') == std::string::npos;
}

// The file that a write replaces: the target of a symbolic link, so that the
// link survives.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
  return path;
}

}  // namespace

bool WriteProfileString(const std::string& iniPath, const std::string& section,
                        const std::string& key, const std::string& value) {
  if (!ValidNames(section, key) || HasLineBreak(value) || value.find('\0') != std::string::npos) {
    return false;
  }
  const std::string path = ResolvePath(iniPath);
  if (path.empty()) return false;
  const std::string target = WriteTarget(path);
  std::optional<std::string> original = ReadWhole(target);
  if (!original) return false;

  std::vector<Line> lines = SplitLines(*original);
  const std::string eol = !lines.empty() && !lines[0].eol.empty() ? lines[0].eol : "\n";
  Place place = Find(lines, section, key);
  if (place.keyLine) {
    lines[*place.keyLine].text = place.keyText + "=" + value;
  } else {
    std::size_t at;
    std::vector<Line> added;
    if (place.header) {
      // After the section's last line that is not blank.
      at = place.end;
      while (at > *place.header + 1 && Trim(lines[at - 1].text).empty()) --at;
    } else {
      at = lines.size();
      if (!lines.empty() && !Trim(lines.back().text).empty()) added.push_back({"", eol});
      added.push_back({"[" + Trim(section) + "]", eol});
    }
    added.push_back({Trim(key) + "=" + value, eol});
    if (at > 0 && lines[at - 1].eol.empty()) lines[at - 1].eol = eol;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
  }

  std::string content;
  for (const Line& line : lines) content += line.text + line.eol;
  if (content == *original) return true;
  // Private to the user when new.
  return ReplaceFile(
             target, [&](ReplaceSink& sink) { return sink.Write(content.data(), content.size()); },
             0600) == 0;
}

bool WriteProfileInt(const std::string& iniPath, const std::string& section, const std::string& key,
                     int value) {
  return WriteProfileString(iniPath, section, key, std::to_string(value));
}

std::string GetProfileString(const std::string& iniPath, const std::string& section,
                             const std::string& key, const std::string& fallback) {
  const std::string path = ResolvePath(iniPath);
  if (path.empty()) return fallback;
  std::optional<std::string> content = ReadWhole(path);
  if (!content) return fallback;
  Place place = Find(SplitLines(*content), section, key);
  if (!place.keyLine) return fallback;
  std::string value = place.value;
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

int GetProfileInt(const std::string& iniPath, const std::string& section, const std::string& key,
                  int fallback) {
  std::string value = GetProfileString(iniPath, section, key, std::string());
  std::size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  if (i >= value.size() || value[i] < '0' || value[i] > '9') return fallback;
  long long n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) n = -n;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

}  // namespace fw
