#include "framework/path_resolver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "framework/file.h"
#include "temp_folder.h"

namespace {

using files_test::CurrentDirectoryScope;
using files_test::TempFolder;

class PathResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::ClearPathCache();
    root.Make("books/PL01_01b.png");
    root.Make("books/But01D.png");
    root.Make("books/Title3.png");
    root.Make("wave/Click.Wav");
    root.Make("wave/click.wav");
    root.Make("wave/\xC3\x84rger.wav");  // "Ärger.wav"
  }
  TempFolder root;
};

struct ResolveCase {
  const char* given;     // appended to the folder's path
  const char* expected;  // relative to the folder
};

TEST_F(PathResolverTest, MatchesEachNameWithoutRegardToCaseExactFirst) {
  const ResolveCase cases[] = {
      {"\\books\\pl01_01B.PNG", "books/PL01_01b.png"},
      {"\\BOOKS\\but01d.png", "books/But01D.png"},
      {"/Books//TITLE3.png", "books/Title3.png"},
      {"\\books\\.\\title3.PNG", "books/Title3.png"},
      {"\\books\\", "books"},
      // Both spellings exist: each finds itself, a third finds the bytewise
      // smaller, every time.
      {"\\wave\\Click.Wav", "wave/Click.Wav"},
      {"\\wave\\click.wav", "wave/click.wav"},
      {"\\WAVE\\CLICK.WAV", "wave/Click.Wav"},
      // Only ASCII letters fold; other bytes compare as they are.
      {"\\wave\\\xC3\x84RGER.WAV", "wave/\xC3\x84rger.wav"},
      {"\\wave\\\xC3\xA4rger.wav", "wave/\xC3\xA4rger.wav"},
      // A missing last name is kept as given, under the folders that exist.
      {"\\Books\\NewFile.TXT", "books/NewFile.TXT"},
      {"\\Nope\\Deeper\\x.png", "Nope/Deeper/x.png"},
      {"\\books\\Title3.png\\x", "books/Title3.png/x"},
      {"\\books\\..\\WAVE\\click.wav", "books/../wave/click.wav"},
  };
  for (const ResolveCase& c : cases) {
    EXPECT_EQ(fw::ResolvePath(root.path() + c.given), root / c.expected) << c.given;
  }
}

TEST_F(PathResolverTest, RelativePathsStartAtTheCurrentDirectory) {
  CurrentDirectoryScope cwd(root.path());
  EXPECT_EQ(fw::ResolvePath("books\\pl01_01B.png"), root / "books/PL01_01b.png");
  EXPECT_EQ(fw::ResolvePath(".\\Wave\\click.wav"), root / "wave/click.wav");
  EXPECT_EQ(fw::ResolvePath("."), root.path());
  EXPECT_EQ(fw::ResolvePath("test.dat"), root / "test.dat");
}

TEST_F(PathResolverTest, RefusesPathsThatNameNoFile) {
  EXPECT_EQ(fw::ResolvePath(""), "");
  EXPECT_EQ(fw::ResolvePath(root.path() + std::string("/books\0/x", 9)), "");
  EXPECT_EQ(fw::ResolvePath("\\"), "/");
}

TEST_F(PathResolverTest, AFileCreatedUnderAMisspeltFolderLandsInIt) {
  CFile file;
  ASSERT_TRUE(file.Open(root.path() + "\\BOOKS\\New.dat", CFile::modeCreate | CFile::modeWrite));
  file.Close();
  EXPECT_TRUE(std::filesystem::exists(root / "books/New.dat"));
}

class ListingCacheTest : public PathResolverTest {
 protected:
  // The folder as the program finds it: written some time ago.
  void Age(const std::string& relative) { files_test::SetModified(root / relative, -3600); }

  int CountPages(int book) {
    int count = 0;
    for (int page = 1; page <= 99; ++page) {
      char name[32];
      std::snprintf(name, sizeof name, "PL%02d_%02db.png", book, page);
      CFileStatus status;
      if (CFile::GetStatus(root.path() + "\\books\\" + name, status)) ++count;
    }
    return count;
  }
};

TEST_F(ListingCacheTest, TenBooksOfPagesCostOneListing) {
  // Book 1: pages 1-5 and 7, in the upper-case spelling; book 2: 1-12; the
  // rest: none.
  for (int page : {2, 3, 4, 5, 7}) {
    char name[32];
    std::snprintf(name, sizeof name, "books/PL01_%02dB.PNG", page);
    root.Make(name);
  }
  for (int page = 1; page <= 12; ++page) {
    char name[32];
    std::snprintf(name, sizeof name, "books/pl02_%02db.png", page);
    root.Make(name);
  }
  Age("books");
  fw::ClearPathCache();

  const std::uint64_t before = fw::PathListingCount();
  int counts[10];
  for (int book = 1; book <= 10; ++book) counts[book - 1] = CountPages(book);
  EXPECT_EQ(fw::PathListingCount() - before, 1u);
  EXPECT_EQ(counts[0], 6);
  EXPECT_EQ(counts[1], 12);
  for (int book = 3; book <= 10; ++book) EXPECT_EQ(counts[book - 1], 0) << book;

  // Nothing changed: no folder is read again.
  EXPECT_EQ(CountPages(1), 6);
  EXPECT_EQ(fw::PathListingCount() - before, 1u);
}

TEST_F(ListingCacheTest, SeesAFileAddedAfterTheFolderWasRead) {
  Age("books");
  EXPECT_EQ(CountPages(3), 0);
  root.Make("books/PL03_01B.png");
  EXPECT_EQ(CountPages(3), 1);
  EXPECT_EQ(fw::ResolvePath(root.path() + "\\books\\pl03_01b.png"), root / "books/PL03_01B.png");
}

TEST_F(ListingCacheTest, SeesAFileRemovedAfterTheFolderWasRead) {
  Age("wave");
  EXPECT_EQ(fw::ResolvePath(root.path() + "\\wave\\CLICK.WAV"), root / "wave/Click.Wav");
  std::filesystem::remove(root / "wave/Click.Wav");
  EXPECT_EQ(fw::ResolvePath(root.path() + "\\wave\\CLICK.WAV"), root / "wave/click.wav");
}

TEST_F(ListingCacheTest, SeesAFolderReplacedByOneWithTheSameTimestamp) {
  Age("books");
  const timespec stamp = files_test::Modified(root / "books");
  EXPECT_EQ(fw::ResolvePath(root.path() + "\\books\\TITLE3.png"), root / "books/Title3.png");
  std::filesystem::rename(root / "books", root / "old");
  root.Make("books/title3.PNG");
  files_test::SetModifiedExactly(root / "books", stamp);
  EXPECT_EQ(fw::ResolvePath(root.path() + "\\books\\TITLE3.png"), root / "books/title3.PNG");
}

TEST_F(ListingCacheTest, DoesNotTrustAListingTakenWhileTheFolderMayStillChange) {
  // The kernel stamps folder changes from a coarse clock: two changes close
  // together can leave the same timestamp. A stamp that is not safely in the
  // past (here: in the future, so the test does not depend on its own speed)
  // must not let the second change go unseen.
  root.MakeFolder("fresh");
  files_test::SetModified(root / "fresh", 5);
  const timespec stamp = files_test::Modified(root / "fresh");
  EXPECT_EQ(fw::ResolvePath(root.path() + "/fresh/A.TXT"), root / "fresh/A.TXT");
  root.Make("fresh/a.txt");
  files_test::SetModifiedExactly(root / "fresh", stamp);
  EXPECT_EQ(fw::ResolvePath(root.path() + "/fresh/A.TXT"), root / "fresh/a.txt");
}

TEST_F(ListingCacheTest, ExactNamesNeedNoListing) {
  const std::uint64_t before = fw::PathListingCount();
  EXPECT_EQ(fw::ResolvePath(root.path() + "\\books\\But01D.png"), root / "books/But01D.png");
  EXPECT_EQ(fw::PathListingCount(), before);
}

TEST(FileNamePatternTest, MatchesStarsAndQuestionMarksWithoutRegardToCase) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  } cases[] = {
      {"PL01_02b.png", "pl01_*B.PNG", true},
      {"PL01_02c.png", "pl01_*B.PNG", false},
      {"But10D.png", "But??D.png", true},
      {"But1D.png", "But??D.png", false},
      {"README", "*.*", true},
      {"a.b.c", "*.c", true},
      {"abc", "a*b*c", true},
      {"acb", "a*b*c*", false},
      {"", "*", true},
      {"x", "", false},
      {"mississippi", "*sip*i", true},
      {"\xC3\x84.png", "\xC3\xA4.png", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::MatchFileNamePattern(c.name, c.pattern), c.matches)
        << c.name << " ~ " << c.pattern;
  }
}

}  // namespace
