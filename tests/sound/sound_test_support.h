// A headless platform set up in a folder of its own, for the sound tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/headless/headless_platform.h"
#include "framework/mci.h"
#include "framework/path_resolver.h"
#include "tests/support/book_run.h"

namespace sound_test {

class HeadlessSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(old_, sizeof old_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    here_ = fw::ProcessCurrentDirectory();
    fw::SetPlatform(&platform);
  }
  void TearDown() override {
    fw::CloseAllMciDevices();
    fw::SetPlatform(nullptr);
    [[maybe_unused]] int r = chdir(old_);
  }
  // A file in the folder, by a relative path with slashes.
  std::string Put(const std::string& relative, const std::string& bytes) {
    const std::string path = here_ + "/" + relative;
    testing_support::WriteFile(path, bytes);
    return path;
  }
  const std::string& Here() const { return here_; }

  // The commands sent so far, one line each: command, device, flags, type, element.
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const fw::MciRecord& r : platform.mci) {
      const char* name = r.command == MCI_OPEN    ? "open"
                         : r.command == MCI_PLAY  ? "play"
                         : r.command == MCI_PAUSE ? "pause"
                         : r.command == MCI_SEEK  ? "seek"
                         : r.command == MCI_CLOSE ? "close"
                                                  : "?";
      char flags[16];
      std::snprintf(flags, sizeof flags, "%#x", static_cast<unsigned>(r.flags));
      out.push_back(std::string(name) + " " + std::to_string(r.deviceId) + " " + flags + " " +
                    r.deviceType + " " + r.element);
    }
    return out;
  }

  fw::headless::HeadlessPlatform platform;

 private:
  testing_support::TempDir dir_;
  std::string here_;
  char old_[4096] = {};
};

}  // namespace sound_test
