#include "framework/file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "temp_folder.h"

namespace {

using files_test::ReadText;
using files_test::TempFolder;

// Runs body in a child process and returns its exit code.
int InChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CFileTest, WritesReadsAndSeeks) {
  TempFolder root;
  const std::string name = root / "data.bin";
  {
    CFile file(name, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    file.Write("hello, world", 12);
    EXPECT_EQ(file.GetPosition(), 12u);
    EXPECT_EQ(file.GetLength(), 12u);
  }  // the destructor closes
  EXPECT_EQ(ReadText(name), "hello, world");

  CFile file;
  ASSERT_TRUE(file.Open(name, CFile::modeReadWrite | CFile::modeNoTruncate | CFile::modeCreate));
  char buffer[32] = {};
  EXPECT_EQ(file.Seek(7, CFile::begin), 7u);
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 5u);  // short only at the end
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(file.Seek(-5, CFile::end), 7u);
  file.Write("WORLD", 5);
  EXPECT_EQ(file.Seek(-12, CFile::current), 0u);
  EXPECT_THROW(file.Seek(-1, CFile::current), CFileException);
  file.Flush();
  file.Close();
  file.Close();  // harmless
  EXPECT_EQ(ReadText(name), "hello, WORLD");
}

TEST(CFileTest, ReportsWhyAnOpenFailed) {
  TempFolder root;
  root.MakeFolder("books");
  struct Case {
    std::string name;
    UINT flags;
    int cause;
  } cases[] = {
      {root / "missing.dat", CFile::modeRead, CFileException::fileNotFound},
      {root / "nofolder/x.dat", CFile::modeCreate | CFile::modeWrite, CFileException::badPath},
      {root / "books", CFile::modeRead, CFileException::accessDenied},
      {"", CFile::modeRead, CFileException::badPath},
  };
  for (const Case& c : cases) {
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(c.name, c.flags, &error)) << c.name;
    EXPECT_EQ(error.m_cause, c.cause) << c.name;
    EXPECT_FALSE(file.IsOpen());
    try {
      CFile thrown(c.name, c.flags);
      ADD_FAILURE() << "no exception for " << c.name;
    } catch (CFileException& e) {
      EXPECT_EQ(e.m_cause, c.cause);
      e.Delete();
    }
  }
}

TEST(CFileTest, ExclusiveHolderRefusesEveryOtherOpenInThisProcess) {
  TempFolder root;
  const std::string name = root.Make("test.dat", "held");
  CFile holder;
  ASSERT_TRUE(holder.Open(name, CFile::modeRead | CFile::shareExclusive));
  const UINT others[] = {
      CFile::modeRead | CFile::shareExclusive,
      CFile::modeRead | CFile::shareDenyNone,
      CFile::modeRead | CFile::shareDenyWrite,
      CFile::modeReadWrite | CFile::shareCompat,
      // Refused before it could truncate.
      CFile::modeCreate | CFile::modeRead | CFile::shareExclusive,
      CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone,
  };
  for (UINT flags : others) {
    CFile second;
    CFileException error;
    EXPECT_FALSE(second.Open(root.path() + "\\TEST.DAT", flags, &error)) << std::hex << flags;
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation) << std::hex << flags;
  }
  EXPECT_EQ(ReadText(name), "held");
  EXPECT_THROW(CFile(name, CFile::modeRead | CFile::shareExclusive), CFileException);

  holder.Close();
  CFile after;
  EXPECT_TRUE(after.Open(name, CFile::modeRead | CFile::shareExclusive));
}

TEST(CFileTest, SharedOpensCoexistButKeepAnExclusiveOneOut) {
  TempFolder root;
  const std::string name = root.Make("shared.dat", "x");
  CFile a, b, c;
  ASSERT_TRUE(a.Open(name, CFile::modeRead | CFile::shareDenyNone));
  EXPECT_TRUE(b.Open(name, CFile::modeRead | CFile::shareDenyWrite));
  EXPECT_FALSE(c.Open(name, CFile::modeRead | CFile::shareExclusive));
}

TEST(CFileTest, ExclusiveHolderRefusesASecondProcess) {
  TempFolder root;
  const std::string name = root.Make("test.dat", "held");
  CFile holder;
  ASSERT_TRUE(holder.Open(name, CFile::modeRead | CFile::shareExclusive));

  // The start-up of a second copy: create-and-truncate, then the held open.
  int code = InChild([&] {
    CFile file;
    CFileException error;
    if (file.Open(name, CFile::modeCreate | CFile::modeRead | CFile::shareExclusive, &error)) {
      return 1;
    }
    if (error.m_cause != CFileException::sharingViolation) return 2;
    if (file.Open(name, CFile::modeRead | CFile::shareExclusive)) return 3;
    if (file.Open(name, CFile::modeRead | CFile::shareDenyNone)) return 4;
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadText(name), "held");

  holder.Close();
  EXPECT_EQ(
      InChild([&] {
        CFile file;
        return file.Open(name, CFile::modeCreate | CFile::modeRead | CFile::shareExclusive) ? 0 : 1;
      }),
      0);
  EXPECT_EQ(ReadText(name), "");
}

TEST(CFileTest, CreateTruncatesUnlessTold) {
  TempFolder root;
  struct Case {
    UINT flags;
    const char* after;
  } cases[] = {
      {CFile::modeCreate | CFile::modeRead | CFile::shareExclusive, ""},
      {CFile::modeCreate | CFile::modeWrite, ""},
      {CFile::modeCreate | CFile::modeReadWrite, ""},
      {CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead, "old"},
      {CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite, "old"},
      {CFile::modeWrite, "old"},
  };
  for (const Case& c : cases) {
    const std::string name = root.Make("lock.dat", "old");
    CFile file;
    ASSERT_TRUE(file.Open(name, c.flags)) << std::hex << c.flags;
    file.Close();
    EXPECT_EQ(ReadText(name), c.after) << std::hex << c.flags;
  }
  // A new file is made in every create mode.
  CFile file;
  EXPECT_TRUE(file.Open(root / "new.dat", CFile::modeCreate | CFile::modeRead));
  EXPECT_TRUE(std::filesystem::exists(root / "new.dat"));
}

TEST(CFileTest, AShortWriteThrows) {
  TempFolder root;
  const std::string name = root / "big.dat";
  // A file-size limit makes the kernel accept only part of the write.
  int code = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{10, 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    CFile file(name, CFile::modeCreate | CFile::modeWrite);
    char data[100];
    std::memset(data, 'x', sizeof data);
    try {
      file.Write(data, sizeof data);
    } catch (CFileException& e) {
      return e.m_cause == CFileException::diskFull ? 0 : 2;
    }
    return 1;
  });
  EXPECT_EQ(code, 0);
}

TEST(CFileStatusTest, GivesSizesOfFilesThatExist) {
  TempFolder root;
  root.Make("books/Title3.png", std::string(3321, 'p'));
  root.Make("books/empty.png");
  {
    // Sparse, so it costs no disk: a size past 32 bits.
    CFile big(root / "books/big.bin", CFile::modeCreate | CFile::modeWrite);
  }
  std::filesystem::resize_file(root / "books/big.bin", 5ull << 30);
  struct Case {
    const char* name;
    ULONGLONG size;
  } cases[] = {
      {"\\books\\TITLE3.PNG", 3321},
      {"\\books\\Empty.png", 0},
      {"\\books\\big.bin", 5ull << 30},
  };
  for (const Case& c : cases) {
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(root.path() + c.name, status)) << c.name;
    EXPECT_EQ(status.m_size, c.size) << c.name;
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);
  }

  CFileStatus status;
  ASSERT_TRUE(CFile::GetStatus(root.path() + "\\books\\title3.png", status));
  EXPECT_EQ(status.m_szFullName, root / "books/Title3.png");
  files_test::SetModified(root / "books/Title3.png", -100);
  ASSERT_TRUE(CFile::GetStatus(root / "books/Title3.png", status));
  EXPECT_EQ(status.m_mtime, files_test::Modified(root / "books/Title3.png").tv_sec);

  ASSERT_TRUE(CFile::GetStatus(root.path() + "\\BOOKS", status));
  EXPECT_NE(status.m_attribute & CFile::directory, 0);

  EXPECT_FALSE(CFile::GetStatus(root.path() + "\\books\\splash.png", status));
  EXPECT_FALSE(CFile::GetStatus(static_cast<LPCTSTR>(nullptr), status));
}

}  // namespace
