// The data-file check that runs before the stage loads its pictures: sizes
// and presence decide, content does not.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "framework/path_resolver.h"
#include "tests/support/book_run.h"
#include "tests/support/data_files.h"

using testing_support::BookRun;
using testing_support::kSizedDataFiles;
using testing_support::PressedFaceName;

namespace {

// The names of the check that were looked up, in order, each once.
std::vector<std::string> CheckedNamesQueried() {
  std::vector<std::string> names;
  for (const testing_support::CheckedFile& f : kSizedDataFiles) names.push_back(f.name);
  for (int n = 1; n <= 10; ++n) names.push_back(PressedFaceName(n));
  std::vector<std::string> seen;
  for (const std::string& path : fw::PathQueryLog()) {
    for (const std::string& name : names) {
      const bool endsWith = path.size() >= name.size() &&
                            path.compare(path.size() - name.size(), name.size(), name) == 0;
      if (endsWith && (seen.empty() || seen.back() != name)) seen.push_back(name);
    }
  }
  return seen;
}

std::vector<std::string> AllCheckedNames(int pressedFacesUpTo) {
  std::vector<std::string> names;
  for (const testing_support::CheckedFile& f : kSizedDataFiles) names.push_back(f.name);
  for (int n = 1; n <= pressedFacesUpTo; ++n) names.push_back(PressedFaceName(n));
  return names;
}

struct CheckCase {
  std::string name;
  std::function<void(const std::string& books)> damage;
  bool passes;
  int pressedFacesQueried;  // of But01D to But10D, when it fails
};

std::vector<CheckCase> Cases() {
  std::vector<CheckCase> cases;
  cases.push_back({"right sizes, other content",
                   [](const std::string& books) {
                     testing_support::WriteFile(books + "Title3.png", std::string(3321, '\x89'));
                   },
                   true, 10});
  for (const testing_support::CheckedFile& f : kSizedDataFiles) {
    for (int delta : {-1, +1}) {
      const std::string file = f.name;
      const std::uint64_t size =
          f.size + static_cast<std::uint64_t>(static_cast<std::int64_t>(delta));
      cases.push_back({file + (delta < 0 ? " one byte short" : " one byte long"),
                       [file, size](const std::string& books) {
                         testing_support::WriteFile(books + file,
                                                    std::string(static_cast<size_t>(size), 'x'));
                       },
                       false, 10});
    }
  }
  cases.push_back({"splash.png missing",
                   [](const std::string& books) { std::filesystem::remove(books + "splash.png"); },
                   false, 10});
  cases.push_back({"But10D.png missing",
                   [](const std::string& books) { std::filesystem::remove(books + "But10D.png"); },
                   false, 10});
  cases.push_back({"But03D.png missing",
                   [](const std::string& books) { std::filesystem::remove(books + "But03D.png"); },
                   false, 3});
  return cases;
}

}  // namespace

TEST(DataFileCheck, SizesAndPressedFacesDecideWhetherTheBookStarts) {
  for (const CheckCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    BookRun run;
    c.damage(run.contentDir + "/books/");
    fw::ResetPathQueryLog();
    // The message, if any, is closed with Enter; then the start dialog goes on.
    run.platform.WhenIdle([&] { run.platform.Key(VK_RETURN); });
    bool frameShown = false;
    run.platform.WhenIdle(
        [&] { frameShown = AfxGetMainWnd() && AfxGetMainWnd()->IsWindowVisible(); });
    run.Run();
    if (c.passes) {
      EXPECT_FALSE(run.processExited);
      EXPECT_TRUE(run.platform.messageBoxes.empty());
      EXPECT_TRUE(frameShown);
      continue;
    }
    EXPECT_TRUE(run.processExited);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.platform.messageBoxes.size(), 1u);
    EXPECT_EQ(run.platform.messageBoxes[0].text, "corrupted files ..terminating program");
    EXPECT_EQ(run.platform.messageBoxes[0].caption, "Scribbletot");
    EXPECT_EQ(run.platform.messageBoxes[0].type, MB_ICONHAND | MB_OK);
    EXPECT_FALSE(frameShown);
    EXPECT_FALSE(run.ProfileWritten());
    // All nine sizes are asked for whatever came before; the pressed faces
    // only up to the first one missing.
    EXPECT_EQ(CheckedNamesQueried(), AllCheckedNames(c.pressedFacesQueried));
  }
}
