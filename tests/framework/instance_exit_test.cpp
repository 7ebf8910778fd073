// A process that ends through exit() while its windows' titles are still
// published (a library ending it, as Xlib does when the display goes) ends
// with its own status and withdraws the titles, instead of being aborted by a
// thread still running.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "framework/instance.h"

namespace {

class InstanceExit : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/pippalee-exit-XXXXXX";
    const char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    dir_ = made;
    ASSERT_EQ(setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1), 0);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  int Sockets() const {
    int n = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_)) {
      if (e.is_socket()) ++n;
    }
    return n;
  }

  std::string dir_;
};

TEST_P(InstanceExit, ExitEndsCleanlyAndWithdrawsTheTitle) {
  const bool requestPending = GetParam();
  const std::string scope = "exit-test";
  EXPECT_EXIT(
      {
        fw::PublishTitle(scope, "Book");
        if (requestPending) {
          // A second copy waits for an answer that this process never gives.
          std::thread([scope] { fw::AskInstance(scope, "Book", "FIND", 0, nullptr); }).detach();
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(Sockets(), 0) << "the title was left published";
  EXPECT_FALSE(fw::AskInstance(scope, "Book", "FIND", 0, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Requests, InstanceExit, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Pending" : "None"; });

}  // namespace
