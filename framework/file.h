// Files under the framework's names: CFile, its status query, CFileException
// and the file search CFileFind. Every name goes through ResolvePath, so the
// program's Windows-style, mixed-case paths find the files on disk.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "framework/wintypes.h"

using ULONGLONG = std::uint64_t;
using LONGLONG = std::int64_t;

class CFileException : public std::exception {
 public:
  enum {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  explicit CFileException(int cause = none, LONG osError = -1, std::string fileName = {});

  // The cause that an errno value stands for.
  static int CauseFromErrno(int error);

  // Exceptions are thrown by value; kept so that handlers read as usual.
  void Delete() {}
  const char* what() const noexcept override { return m_strWhat.c_str(); }

  int m_cause;
  LONG m_lOsError;  // the errno value, -1 when none
  std::string m_strFileName;

 private:
  std::string m_strWhat;
};

struct CFileStatus {
  std::int64_t m_ctime = 0;  // seconds since 1970, UTC
  std::int64_t m_mtime = 0;
  std::int64_t m_atime = 0;
  ULONGLONG m_size = 0;      // bytes
  BYTE m_attribute = 0;      // CFile::Attribute flags
  std::string m_szFullName;  // the absolute path on disk
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum Attribute : BYTE {
    normal = 0x00,
    readOnly = 0x01,
    hidden = 0x02,
    system = 0x04,
    volume = 0x08,
    directory = 0x10,
    archive = 0x20,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile() = default;
  // Opens the file or throws CFileException.
  CFile(LPCTSTR name, UINT flags);
  CFile(const std::string& name, UINT flags);
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Sharing is a lock on the open file that other opens respect, in this and
  // in other processes: shareExclusive refuses every other open, the other
  // share modes refuse only an exclusive one. modeCreate without
  // modeNoTruncate empties the file once the lock is held, so an open that is
  // refused never touches the holder's data. On failure the file stays closed,
  // error (if given) tells why, and FALSE is returned.
  BOOL Open(LPCTSTR name, UINT flags, CFileException* error = nullptr);
  BOOL Open(const std::string& name, UINT flags, CFileException* error = nullptr);

  // Reads up to count bytes; fewer only at the end of the file. Throws
  // CFileException when the system reports an error.
  UINT Read(void* buffer, UINT count);
  // Writes all count bytes or throws CFileException (diskFull when full).
  void Write(const void* buffer, UINT count);
  // Moves the position; throws CFileException(badSeek) before the start.
  ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  ULONGLONG GetLength() const;
  ULONGLONG GetPosition() const;
  // Puts what was written on the disk.
  void Flush();
  // Releases the file and its lock; nothing happens when it is not open.
  void Close();

  bool IsOpen() const { return m_fd >= 0; }
  const std::string& GetFilePath() const { return m_strPath; }

  // FALSE when name does not exist.
  static BOOL GetStatus(LPCTSTR name, CFileStatus& status);
  static BOOL GetStatus(const std::string& name, CFileStatus& status);

 private:
  [[noreturn]] void Fail(int error) const;

  int m_fd = -1;
  std::string m_strPath;
};

// A search for files: a full name, or a pattern with `*` and `?` in its last
// component, matched without regard to case. Entries come in name order;
// "." and ".." are left out.
class CFileFind {
 public:
  CFileFind() = default;
  ~CFileFind() { Close(); }
  CFileFind(const CFileFind&) = delete;
  CFileFind& operator=(const CFileFind&) = delete;

  // TRUE when something matches; FindNextFile then moves to the first match.
  BOOL FindFile(LPCTSTR name = nullptr, DWORD unused = 0);
  BOOL FindFile(const std::string& name, DWORD unused = 0);
  // Makes the next match the current one; FALSE when it is the last one (it
  // is still current) or there is none.
  BOOL FindNextFile();

  std::string GetFileName() const;
  std::string GetFilePath() const;
  BOOL IsDirectory() const;
  ULONGLONG GetLength() const;
  void Close();

 private:
  struct Entry {
    std::string name;
    bool directory = false;
    ULONGLONG length = 0;
  };
  const Entry* Current() const;

  std::string m_strFolder;
  std::vector<Entry> m_entries;
  std::size_t m_next = 0;  // index of the entry FindNextFile makes current
};
