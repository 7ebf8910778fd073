// Opening a document on the headless platform: the viewer is asked for the
// document as it lies on disk, in the folder given, or not at all.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/shell.h"
#include "tests/sound/sound_test_support.h"

namespace {

class ShellExecuteTest : public sound_test::HeadlessSoundTest {
 protected:
  intptr_t Execute(const char* verb, const char* file, const std::string& parameters,
                   const std::string& directory) {
    return reinterpret_cast<intptr_t>(
        ShellExecute(nullptr, verb, file, parameters.c_str(), directory.c_str(), SW_SHOWMAXIMIZED));
  }
};

TEST_F(ShellExecuteTest, TheViewerGetsTheDocumentAndFolderAsOnDisk) {
  const std::string doc = Put("About.doc", "{\\rtf1 About}");
  std::filesystem::create_directories(Here() + "/Config");
  // The program's own spelling: backslashes and another case.
  EXPECT_GT(Execute("open", "write.exe", Here() + "\\about.DOC", Here() + "\\config"), 32);
  ASSERT_EQ(platform.viewers.size(), 1u);
  EXPECT_EQ(platform.viewers[0].document, doc);
  EXPECT_EQ(platform.viewers[0].workingDir, Here() + "/Config");
}

TEST_F(ShellExecuteTest, AMissingDocumentGivesTwoAndStartsNothing) {
  std::filesystem::create_directories(Here() + "/order.doc.d");
  Put("notes.txt", "x");
  for (const std::string& doc :
       {Here() + "\\order.doc", Here() + "/order.doc.d", Here() + "\\none\\order.doc"}) {
    EXPECT_EQ(Execute("open", "write.exe", doc, Here()), 2) << doc;
  }
  EXPECT_TRUE(platform.viewers.empty());
}

}  // namespace
