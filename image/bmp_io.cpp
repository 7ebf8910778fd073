#include "image/bmp_io.h"

#include <filesystem>
#include <system_error>

#include "framework/file.h"
#include "framework/path_resolver.h"

namespace imageio {

bool ReadFileBytes(const std::string& path, std::uint64_t limit, std::vector<BYTE>& out) {
  out.clear();
  if (path.empty()) return false;
  try {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone)) return false;
    const std::uint64_t length = std::min<std::uint64_t>(file.GetLength(), limit);
    out.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < out.size()) {
      const std::size_t piece = std::min<std::size_t>(out.size() - done, 1u << 24);
      const UINT got = file.Read(out.data() + done, static_cast<UINT>(piece));
      if (got == 0) break;  // the file became shorter meanwhile
      done += got;
    }
    out.resize(done);
    return true;
  } catch (const std::exception&) {
    out.clear();
    return false;
  }
}

WriteResult WriteFileBytes(const std::string& path, std::span<const std::span<const BYTE>> parts) {
  if (path.empty()) return WriteResult::kCannotOpen;
  const std::string target = fw::ResolvePath(path);
  if (target.empty()) return WriteResult::kCannotOpen;
  // A name of our own beside the target; an earlier leftover is overwritten.
  const std::string temp = target + ".pippalee-new";
  CFile file;
  if (!file.Open(temp, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) {
    return WriteResult::kCannotOpen;
  }
  std::error_code ec;
  try {
    for (const auto& part : parts) {
      std::size_t done = 0;
      while (done < part.size()) {
        const std::size_t piece = std::min<std::size_t>(part.size() - done, 1u << 24);
        file.Write(part.data() + done, static_cast<UINT>(piece));
        done += piece;
      }
    }
    file.Flush();
    file.Close();
  } catch (const std::exception&) {
    file.Close();
    std::filesystem::remove(temp, ec);
    return WriteResult::kWriteError;
  }
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return WriteResult::kWriteError;
  }
  return WriteResult::kOk;
}

}  // namespace imageio
