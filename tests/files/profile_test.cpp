#include "framework/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "temp_folder.h"

namespace {

using files_test::ReadText;
using files_test::TempFolder;

ino_t Inode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_ino;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ProfileTest, MakesANewFileWithTheSectionAndKey) {
  TempFolder root;
  const std::string ini = root / "Pippalee.INI";
  ASSERT_TRUE(fw::WriteProfileInt(ini, "strSection", "strIntItem", 0));
  EXPECT_EQ(ReadText(ini), "[strSection]\nstrIntItem=0\n");
  EXPECT_EQ(fw::GetProfileInt(ini, "strsection", "STRINTITEM", 5), 0);
  EXPECT_EQ(FolderNames(root.path()), std::vector<std::string>{"Pippalee.INI"});
  struct stat st {};
  ASSERT_EQ(stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

struct EditCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(ProfileTest, EditsOnlyTheLineItWrites) {
  const EditCase cases[] = {
      {"updates in place, names in any case, keeping comments and CRLF",
       "; settings\r\n[Other]\r\nstrIntItem=9\r\n\r\n[strSection]\r\n# note\r\nstrIntItem = 4\r\n"
       "after=1\r\n",
       "STRSECTION", "STRINTITEM", "0",
       "; settings\r\n[Other]\r\nstrIntItem=9\r\n\r\n[strSection]\r\n# note\r\nstrIntItem=0\r\n"
       "after=1\r\n"},
      {"adds a key at the end of its section, before the blank lines",
       "[strSection]\nold=1\n\n[Next]\nx=2\n", "strSection", "strIntItem", "0",
       "[strSection]\nold=1\nstrIntItem=0\n\n[Next]\nx=2\n"},
      {"adds a section at the end of a file without a last line break", "[Other]\nx=2",
       "strSection", "strIntItem", "0", "[Other]\nx=2\n\n[strSection]\nstrIntItem=0\n"},
      {"a key outside any section is not the section's", "strIntItem=3\n[strSection]\n",
       "strSection", "strIntItem", "0", "strIntItem=3\n[strSection]\nstrIntItem=0\n"},
      {"a commented-out key is left alone", "[strSection]\n;strIntItem=3\n", "strSection",
       "strIntItem", "0", "[strSection]\n;strIntItem=3\nstrIntItem=0\n"},
      {"the first of two equal sections is the one", "[S]\nk=1\n[s]\nk=2\n", "s", "K", "7",
       "[S]\nk=7\n[s]\nk=2\n"},
  };
  for (const EditCase& c : cases) {
    TempFolder root;
    const std::string ini = root.Make("Pippalee.INI", c.before);
    ASSERT_TRUE(fw::WriteProfileString(ini, c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(ReadText(ini), c.after) << c.name;
  }
}

TEST(ProfileTest, ReplacesTheFileWholeNeverInPlace) {
  TempFolder root;
  const std::string ini = root.Make("Pippalee.INI", "[strSection]\nstrIntItem=4\n");
  // A reader that opened the old file keeps seeing all of it.
  ASSERT_EQ(link(ini.c_str(), (root / "reader").c_str()), 0);
  ASSERT_TRUE(fw::WriteProfileInt(ini, "strSection", "strIntItem", 0));
  EXPECT_EQ(ReadText(root / "reader"), "[strSection]\nstrIntItem=4\n");
  EXPECT_EQ(ReadText(ini), "[strSection]\nstrIntItem=0\n");
  EXPECT_EQ(FolderNames(root.path()), (std::vector<std::string>{"Pippalee.INI", "reader"}));

  // Writing what is already there leaves the file alone.
  const ino_t inode = Inode(ini);
  ASSERT_TRUE(fw::WriteProfileInt(ini, "strSection", "strIntItem", 0));
  EXPECT_EQ(Inode(ini), inode);
}

TEST(ProfileTest, FindsTheFileWhateverTheCaseOfItsName) {
  TempFolder root;
  const std::string ini = root.Make("Pippalee.ini", "[strSection]\nstrIntItem=4\n");
  ASSERT_TRUE(fw::WriteProfileInt(root / "PIPPALEE.INI", "strSection", "strIntItem", 0));
  EXPECT_EQ(ReadText(ini), "[strSection]\nstrIntItem=0\n");
  EXPECT_EQ(FolderNames(root.path()), std::vector<std::string>{"Pippalee.ini"});
}

TEST(ProfileTest, KeepsASymbolicLinkAndWritesItsTarget) {
  TempFolder root;
  const std::string target = root.Make("real/profile.ini", "[a]\nb=1\n");
  const std::string ini = root / "Pippalee.INI";
  std::filesystem::create_symlink(target, ini);
  ASSERT_TRUE(fw::WriteProfileInt(ini, "a", "b", 2));
  EXPECT_TRUE(std::filesystem::is_symlink(ini));
  EXPECT_EQ(ReadText(target), "[a]\nb=2\n");
}

TEST(ProfileTest, RefusesWhatWouldNotSurviveAsAnIniLine) {
  TempFolder root;
  const std::string before = "[strSection]\nstrIntItem=4\n";
  const std::string ini = root.Make("Pippalee.INI", before);
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"strSection", "strIntItem", "1\n[Evil]"},
      {"strSection", "str\nIntItem", "1"},
      {"str]Section", "strIntItem", "1"},
      {"strSection", "a=b", "1"},
      {"strSection", "", "1"},
      {" ", "strIntItem", "1"},
      {"strSection", "[x", "1"},
      {"strSection", ";x", "1"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(fw::WriteProfileString(ini, c.section, c.key, c.value)) << c.key << c.value;
  }
  EXPECT_EQ(ReadText(ini), before);
}

TEST(ProfileTest, FailsWithoutTouchingAnythingWhenTheFileCannotBeWritten) {
  TempFolder root;
  EXPECT_FALSE(fw::WriteProfileInt(root / "missing/Pippalee.INI", "s", "k", 1));
  EXPECT_FALSE(std::filesystem::exists(root / "missing"));
  root.MakeFolder("Folder.INI");
  EXPECT_FALSE(fw::WriteProfileInt(root / "Folder.INI", "s", "k", 1));
  EXPECT_TRUE(std::filesystem::is_directory(root / "Folder.INI"));
  EXPECT_EQ(FolderNames(root.path()), std::vector<std::string>{"Folder.INI"});
}

TEST(ProfileTest, ReadsValuesAsNumbersAndStrings) {
  TempFolder root;
  const std::string ini = root.Make("p.ini",
                                    "[Numbers]\n"
                                    "plain=42\nnegative = -5\nplus=+3\ntrailing=12abc\n"
                                    "word=abc\nhuge=99999999999\ntiny=-99999999999\nempty=\n"
                                    "[Strings]\nquoted=\"two words\"\nsingle='x'\nbare = a b \n");
  struct Case {
    const char* key;
    int expected;
  } numbers[] = {
      {"PLAIN", 42},     {"negative", -5},  {"plus", 3},   {"trailing", 12}, {"word", 77},
      {"huge", INT_MAX}, {"tiny", INT_MIN}, {"empty", 77}, {"missing", 77},
  };
  for (const Case& c : numbers) {
    EXPECT_EQ(fw::GetProfileInt(ini, "numbers", c.key, 77), c.expected) << c.key;
  }
  EXPECT_EQ(fw::GetProfileString(ini, "Strings", "quoted", "-"), "two words");
  EXPECT_EQ(fw::GetProfileString(ini, "Strings", "single", "-"), "x");
  EXPECT_EQ(fw::GetProfileString(ini, "Strings", "bare", "-"), "a b");
  EXPECT_EQ(fw::GetProfileString(ini, "Nowhere", "bare", "-"), "-");
  EXPECT_EQ(fw::GetProfileInt(root / "none.ini", "Numbers", "plain", 8), 8);
}

}  // namespace
