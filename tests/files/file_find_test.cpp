#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/file.h"
#include "temp_folder.h"

namespace {

using files_test::TempFolder;

class CFileFindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root.Make("books/PL01_01b.png", "12345");
    root.Make("books/PL01_02B.PNG");
    root.Make("books/pl01_03b.png");
    root.Make("books/PL01_01c.png");
    root.Make("books/PL02_01b.png");
    root.MakeFolder("books/PL01_sub");
    root.Make("wave/PL01_02.wav", "narration");
  }

  // Every match, in the usual loop of the file search.
  std::vector<std::string> FindAll(const std::string& name) {
    std::vector<std::string> found;
    CFileFind finder;
    BOOL working = finder.FindFile(name);
    while (working) {
      working = finder.FindNextFile();
      found.push_back(finder.GetFileName());
    }
    return found;
  }

  TempFolder root;
};

TEST_F(CFileFindTest, PatternsMatchTheLastComponentWithoutRegardToCase) {
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  } cases[] = {
      {"\\books\\pl01_*B.png", {"PL01_01b.png", "PL01_02B.PNG", "pl01_03b.png"}},
      {"\\BOOKS\\PL0?_01b.png", {"PL01_01b.png", "PL02_01b.png"}},
      {"\\books\\*c.png", {"PL01_01c.png"}},
      {"\\books\\PL01_s*", {"PL01_sub"}},
      {"\\books\\*.wav", {}},
      {"\\nofolder\\*.*", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindAll(root.path() + c.pattern), c.names) << c.pattern;
  }
  EXPECT_EQ(FindAll(root.path() + "\\books\\*.*").size(), 6u);
}

TEST_F(CFileFindTest, AFullNameFindsThatOneFile) {
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(root.path() + "\\WAVE\\pl01_02.WAV"));
  EXPECT_FALSE(finder.FindNextFile());  // the only match, now current
  EXPECT_EQ(finder.GetFileName(), "PL01_02.wav");
  EXPECT_EQ(finder.GetFilePath(), root / "wave/PL01_02.wav");
  EXPECT_EQ(finder.GetLength(), 9u);
  EXPECT_FALSE(finder.IsDirectory());
  EXPECT_FALSE(finder.FindNextFile());

  EXPECT_FALSE(finder.FindFile(root.path() + "\\wave\\PL01_03.wav"));
  EXPECT_EQ(finder.GetFileName(), "");

  ASSERT_TRUE(finder.FindFile(root.path() + "\\books\\pl01_SUB"));
  finder.FindNextFile();
  EXPECT_TRUE(finder.IsDirectory());
  finder.Close();
  EXPECT_EQ(finder.GetFileName(), "");
}

TEST_F(CFileFindTest, ReportsSizesAndFoldersOfMatches) {
  CFileFind finder;
  ASSERT_TRUE(finder.FindFile(root.path() + "/books/PL01_*"));
  std::vector<std::string> folders;
  ULONGLONG total = 0;
  BOOL working = TRUE;
  while (working) {
    working = finder.FindNextFile();
    if (finder.IsDirectory()) folders.push_back(finder.GetFileName());
    total += finder.GetLength();
    EXPECT_EQ(finder.GetFilePath(), root / "books/" + finder.GetFileName());
  }
  EXPECT_EQ(folders, std::vector<std::string>{"PL01_sub"});
  EXPECT_EQ(total, 5u);
}

TEST_F(CFileFindTest, RelativePatternsSearchTheCurrentDirectory) {
  files_test::CurrentDirectoryScope cwd(root / "books");
  EXPECT_EQ(FindAll("pl02*"), std::vector<std::string>{"PL02_01b.png"});
  EXPECT_EQ(FindAll("..\\WAVE\\*.wav"), std::vector<std::string>{"PL01_02.wav"});
}

}  // namespace
