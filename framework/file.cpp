#include "framework/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "framework/path_resolver.h"

namespace {

template <typename Call>
auto Retry(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

void SetError(CFileException* error, int cause, int osError, const std::string& name) {
  if (error != nullptr) *error = CFileException(cause, osError, name);
}

void FillStatus(const struct stat& st, const std::string& path, CFileStatus& status) {
  status.m_ctime = st.st_ctim.tv_sec;
  status.m_mtime = st.st_mtim.tv_sec;
  status.m_atime = st.st_atim.tv_sec;
  status.m_size = S_ISDIR(st.st_mode) ? 0 : static_cast<ULONGLONG>(st.st_size);
  BYTE attribute = CFile::normal;
  if (S_ISDIR(st.st_mode)) attribute |= CFile::directory;
  if ((st.st_mode & S_IWUSR) == 0) attribute |= CFile::readOnly;
  std::string::size_type slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 1 && name[0] == '.' && name != "..") attribute |= CFile::hidden;
  status.m_attribute = attribute;
  status.m_szFullName = path;
}

}  // namespace

// ---------------------------------------------------------------- CFileException

CFileException::CFileException(int cause, LONG osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {
  static const char* const kNames[] = {
      "no error",       "file error",    "file not found", "bad path",
      "too many files", "access denied", "invalid file",   "cannot remove current folder",
      "folder full",    "bad seek",      "hardware error", "sharing violation",
      "lock violation", "disk full",     "end of file"};
  m_strWhat = (cause >= 0 && cause <= endOfFile) ? kNames[cause] : "file error";
  if (!m_strFileName.empty()) m_strWhat += ": " + m_strFileName;
  if (osError > 0) m_strWhat += std::string(" (") + std::strerror(osError) + ")";
}

int CFileException::CauseFromErrno(int error) {
  switch (error) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW:
      return badSeek;
    case EIO:
      return hardIO;
    case EWOULDBLOCK:
      return sharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    default:
      return genericException;
  }
}

// ---------------------------------------------------------------- CFile

CFile::CFile(LPCTSTR name, UINT flags) : CFile(std::string(name != nullptr ? name : ""), flags) {}

CFile::CFile(const std::string& name, UINT flags) {
  CFileException error;
  if (!Open(name, flags, &error)) throw error;
}

CFile::~CFile() { Close(); }

BOOL CFile::Open(LPCTSTR name, UINT flags, CFileException* error) {
  return Open(std::string(name != nullptr ? name : ""), flags, error);
}

BOOL CFile::Open(const std::string& name, UINT flags, CFileException* error) {
  Close();
  const std::string path = fw::ResolvePath(name);
  if (path.empty()) {
    SetError(error, CFileException::badPath, -1, name);
    return FALSE;
  }

  int access = O_RDONLY;
  bool writes = false;
  switch (flags & 0x3) {
    case modeWrite:
      access = O_WRONLY;
      writes = true;
      break;
    case modeReadWrite:
      access = O_RDWR;
      writes = true;
      break;
    default:
      break;
  }
  // O_NONBLOCK keeps a FIFO by that name from hanging the open; it is
  // refused below like anything else that is not a plain file.
  int oflags = access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (flags & modeCreate) oflags |= O_CREAT;

  int fd = Retry([&] { return ::open(path.c_str(), oflags, 0666); });
  if (fd < 0) {
    int err = errno;
    int cause = CFileException::CauseFromErrno(err);
    // A missing folder is a bad path; only a missing file is "not found".
    if (err == ENOENT) {
      std::string::size_type slash = path.rfind('/');
      std::string folder = slash == std::string::npos
                               ? "."
                               : path.substr(0, std::max<std::string::size_type>(slash, 1));
      struct stat fst {};
      if (::stat(folder.c_str(), &fst) != 0 || !S_ISDIR(fst.st_mode))
        cause = CFileException::badPath;
    }
    SetError(error, cause, err, path);
    return FALSE;
  }
  auto fail = [&](int cause, int osError) {
    ::close(fd);
    SetError(error, cause, osError, path);
    return FALSE;
  };

  struct stat st {};
  if (fstat(fd, &st) != 0) return fail(CFileException::CauseFromErrno(errno), errno);
  if (!S_ISREG(st.st_mode)) return fail(CFileException::accessDenied, EISDIR);
  int fdFlags = fcntl(fd, F_GETFL);
  if (fdFlags >= 0) fcntl(fd, F_SETFL, fdFlags & ~O_NONBLOCK);

  // flock() locks belong to the open file description, so a second open in
  // this process is refused just like one in another process.
  const UINT share = flags & 0x70;
  const int lockMode = (share == shareExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  if (Retry([&] { return ::flock(fd, lockMode); }) != 0) {
    if (errno == EWOULDBLOCK) return fail(CFileException::sharingViolation, errno);
    // A file system without locks: the file is still usable.
  }

  if ((flags & modeCreate) && !(flags & modeNoTruncate) && st.st_size != 0) {
    if (writes) {
      if (Retry([&] { return ::ftruncate(fd, 0); }) != 0) {
        return fail(CFileException::CauseFromErrno(errno), errno);
      }
    } else {
      // Opened for reading only: empty it through a second descriptor of the
      // same file, checked to be the one locked.
      int wfd =
          Retry([&] { return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); });
      if (wfd < 0) return fail(CFileException::CauseFromErrno(errno), errno);
      struct stat wst {};
      int err = 0;
      if (fstat(wfd, &wst) != 0) {
        err = errno;
      } else if (wst.st_dev != st.st_dev || wst.st_ino != st.st_ino) {
        err = EWOULDBLOCK;
      } else if (Retry([&] { return ::ftruncate(wfd, 0); }) != 0) {
        err = errno;
      }
      ::close(wfd);
      if (err != 0) return fail(CFileException::CauseFromErrno(err), err);
    }
  }

  m_fd = fd;
  m_strPath = path;
  SetError(error, CFileException::none, -1, path);
  return TRUE;
}

void CFile::Fail(int error) const {
  throw CFileException(CFileException::CauseFromErrno(error), error, m_strPath);
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  if (buffer == nullptr) Fail(EINVAL);
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    ssize_t got = Retry([&] { return ::read(m_fd, out + done, count - done); });
    if (got < 0) Fail(errno);
    if (got == 0) break;
    done += static_cast<UINT>(got);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  if (buffer == nullptr) Fail(EINVAL);
  const auto* in = static_cast<const char*>(buffer);
  UINT done = 0;
  while (done < count) {
    ssize_t put = Retry([&] { return ::write(m_fd, in + done, count - done); });
    if (put < 0) Fail(errno);
    if (put == 0) Fail(ENOSPC);
    done += static_cast<UINT>(put);
  }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  int whence = SEEK_SET;
  if (from == current) {
    whence = SEEK_CUR;
  } else if (from == end) {
    whence = SEEK_END;
  } else if (from != begin) {
    Fail(EINVAL);
  }
  off_t pos = ::lseek(m_fd, static_cast<off_t>(offset), whence);
  if (pos < 0) Fail(errno);
  return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
  struct stat st {};
  if (fstat(m_fd, &st) != 0) Fail(errno);
  return static_cast<ULONGLONG>(st.st_size);
}

ULONGLONG CFile::GetPosition() const {
  off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
  if (pos < 0) Fail(errno);
  return static_cast<ULONGLONG>(pos);
}

void CFile::Flush() {
  if (::fsync(m_fd) != 0) Fail(errno);
}

void CFile::Close() {
  if (m_fd < 0) return;
  // Closing the last descriptor of the open file releases its lock.
  ::close(m_fd);
  m_fd = -1;
  m_strPath.clear();
}

BOOL CFile::GetStatus(LPCTSTR name, CFileStatus& status) {
  return GetStatus(std::string(name != nullptr ? name : ""), status);
}

BOOL CFile::GetStatus(const std::string& name, CFileStatus& status) {
  const std::string path = fw::ResolvePath(name);
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return FALSE;
  FillStatus(st, path, status);
  return TRUE;
}

// ---------------------------------------------------------------- CFileFind

BOOL CFileFind::FindFile(LPCTSTR name, DWORD unused) {
  return FindFile(std::string(name != nullptr ? name : "*.*"), unused);
}

BOOL CFileFind::FindFile(const std::string& name, DWORD /*unused*/) {
  Close();
  if (name.empty() || name.find('\0') != std::string::npos) return FALSE;
  std::string::size_type cut = name.find_last_of("/\\");
  std::string last = cut == std::string::npos ? name : name.substr(cut + 1);

  if (last.find_first_of("*?") == std::string::npos) {
    const std::string path = fw::ResolvePath(name);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return FALSE;
    std::string::size_type slash = path.rfind('/');
    m_strFolder = slash == 0 ? "/" : path.substr(0, slash);
    Entry entry;
    entry.name = path.substr(slash + 1);
    entry.directory = S_ISDIR(st.st_mode);
    entry.length = entry.directory ? 0 : static_cast<ULONGLONG>(st.st_size);
    m_entries.push_back(std::move(entry));
    return TRUE;
  }

  std::string folderName = cut == std::string::npos ? "." : name.substr(0, cut + 1);
  if (cut == 0) folderName = "/";
  const std::string folder = fw::ResolvePath(folderName);
  if (folder.empty()) return FALSE;
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return FALSE;
  while (dirent* e = readdir(d)) {
    std::string entryName = e->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (!fw::MatchFileNamePattern(entryName, last)) continue;
    Entry entry;
    entry.name = entryName;
    struct stat st {};
    std::string full = (folder == "/" ? "/" : folder + "/") + entryName;
    if (::stat(full.c_str(), &st) == 0) {
      entry.directory = S_ISDIR(st.st_mode);
      entry.length = entry.directory ? 0 : static_cast<ULONGLONG>(st.st_size);
    } else {
      entry.directory = e->d_type == DT_DIR;
    }
    m_entries.push_back(std::move(entry));
  }
  closedir(d);
  std::sort(m_entries.begin(), m_entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  m_strFolder = folder;
  return m_entries.empty() ? FALSE : TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (m_next >= m_entries.size()) return FALSE;
  ++m_next;
  return m_next < m_entries.size() ? TRUE : FALSE;
}

const CFileFind::Entry* CFileFind::Current() const {
  if (m_next == 0 || m_next > m_entries.size()) return nullptr;
  return &m_entries[m_next - 1];
}

std::string CFileFind::GetFileName() const {
  const Entry* e = Current();
  return e != nullptr ? e->name : std::string();
}

std::string CFileFind::GetFilePath() const {
  const Entry* e = Current();
  if (e == nullptr) return {};
  return (m_strFolder == "/" ? "/" : m_strFolder + "/") + e->name;
}

BOOL CFileFind::IsDirectory() const {
  const Entry* e = Current();
  return e != nullptr && e->directory ? TRUE : FALSE;
}

ULONGLONG CFileFind::GetLength() const {
  const Entry* e = Current();
  return e != nullptr ? e->length : 0;
}

void CFileFind::Close() {
  m_entries.clear();
  m_strFolder.clear();
  m_next = 0;
}
