#include "framework/kernel_dirs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "framework/headless/headless_platform.h"
#include "framework/platform.h"
#include "temp_folder.h"

namespace {

using files_test::CurrentDirectoryScope;
using files_test::TempFolder;

// The headless platform, with the folder it was asked about kept.
class DiskPlatform : public fw::headless::HeadlessPlatform {
 public:
  std::string askedFor;

  void SetFree(std::optional<std::uint64_t> bytes) { SetDiskFree(bytes); }
  bool DiskFreeBytes(const std::string& dir, std::uint64_t& bytes) override {
    askedFor = dir;
    return HeadlessPlatform::DiskFreeBytes(dir, bytes);
  }
};

class GetDiskFreeSpaceTest : public ::testing::Test {
 protected:
  void SetUp() override { fw::SetPlatform(&platform); }
  void TearDown() override { fw::SetPlatform(nullptr); }
  DiskPlatform platform;
};

TEST_F(GetDiskFreeSpaceTest, ReportsTheCurrentFoldersVolumeInClusters) {
  TempFolder root;
  CurrentDirectoryScope cwd(root.path());
  constexpr std::uint64_t MB = 1 << 20;
  struct Case {
    std::uint64_t freeBytes;
    std::uint64_t megabytes;  // as start-up works it out
  } cases[] = {
      {0, 0},
      {10 * MB, 10},
      {20 * MB + 4096, 20},
      {3ull << 30, 3072},                        // past 31 bits
      {5ull << 30, 5120},                        // past 32 bits
      {20ull << 40, 0xFFFFFFFFull * 4096 / MB},  // saturated clusters
  };
  for (const Case& c : cases) {
    platform.SetFree(c.freeBytes);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpace("C:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                 &totalClusters));
    EXPECT_EQ(sectorsPerCluster, 8u);
    EXPECT_EQ(bytesPerSector, 512u);
    std::uint64_t mb = std::uint64_t{freeClusters} * sectorsPerCluster * bytesPerSector / MB;
    EXPECT_EQ(mb, c.megabytes) << c.freeBytes;
    EXPECT_GE(totalClusters, freeClusters);
    EXPECT_EQ(platform.askedFor, root.path());
  }
}

TEST_F(GetDiskFreeSpaceTest, FailsWhenThePlatformCannotTell) {
  platform.SetFree(std::nullopt);
  DWORD a = 7, b = 7, c = 7, d = 7;
  EXPECT_FALSE(GetDiskFreeSpace("C:\\", &a, &b, &c, &d));
  platform.SetFree(1 << 30);
  EXPECT_TRUE(GetDiskFreeSpace(nullptr, nullptr, nullptr, &c, nullptr));
  EXPECT_EQ(c, (1u << 30) / 4096);
}

TEST(StatvfsFreeBytesTest, MeasuresARealVolume) {
  TempFolder root;
  std::uint64_t bytes = 0;
  ASSERT_TRUE(fw::StatvfsFreeBytes(root.path(), bytes));
  std::filesystem::space_info space = std::filesystem::space(root.path());
  EXPECT_GT(bytes, 0u);
  EXPECT_LE(bytes, space.capacity);
  EXPECT_FALSE(fw::StatvfsFreeBytes(root / "missing", bytes));
}

TEST(GetCurrentDirectoryTest, NeverWritesPastTheBuffer) {
  TempFolder root;
  // A current directory longer than the program's 200-character buffers.
  std::string deep = root.MakeFolder(std::string(100, 'a') + "/" + std::string(100, 'b'));
  CurrentDirectoryScope cwd(deep);
  const DWORD len = static_cast<DWORD>(deep.size());
  ASSERT_GT(len, 200u);

  struct Case {
    DWORD size;
    DWORD result;
    const char* contents;  // null: the directory itself
  } cases[] = {
      {200, len + 1, "."}, {len, len + 1, "."}, {len + 1, len, nullptr},
      {512, len, nullptr}, {1, len + 1, ""},    {0, len + 1, ""},
  };
  for (const Case& c : cases) {
    char buffer[600];
    std::memset(buffer, 'Z', sizeof buffer);
    buffer[0] = '\0';
    EXPECT_EQ(GetCurrentDirectory(c.size, buffer), c.result) << c.size;
    EXPECT_EQ(std::string(buffer), c.contents != nullptr ? c.contents : deep) << c.size;
    // Bytes past what the call was given are untouched.
    for (DWORD i = std::max<DWORD>(c.size, 1); i < sizeof buffer; ++i) {
      if (buffer[i] != 'Z') {
        ADD_FAILURE() << "byte " << i << " written for size " << c.size;
        break;
      }
    }
  }
  EXPECT_EQ(GetCurrentDirectory(0, nullptr), len + 1);
}

TEST(GetCurrentDirectoryTest, FitsIntoTheProgramsBuffer) {
  TempFolder root;
  CurrentDirectoryScope cwd(root.path());
  char buffer[200];
  EXPECT_EQ(GetCurrentDirectory(200, buffer), root.path().size());
  EXPECT_EQ(std::string(buffer), root.path());
}

TEST(GetCurrentDirectoryTest, ARemovedDirectoryStillHasAName) {
  TempFolder root;
  std::string gone = root.MakeFolder("gone");
  CurrentDirectoryScope cwd(gone);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  char buffer[200];
  EXPECT_EQ(GetCurrentDirectory(200, buffer), 0u);
  EXPECT_STREQ(buffer, ".");
}

// Sets an environment variable for the scope's life.
class EnvScope {
 public:
  EnvScope(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvScope() {
    if (m_old) {
      setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

TEST(GetWindowsDirectoryTest, IsTheUsersConfigurationDirectory) {
  TempFolder root;
  EnvScope home("HOME", root.path().c_str());
  char buffer[MAX_PATH];
  {
    std::string config = root / "xdg/deeper";
    EnvScope xdg("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(GetWindowsDirectory(buffer, MAX_PATH), config.size());
    EXPECT_EQ(std::string(buffer), config);
    struct stat st {};
    ASSERT_EQ(stat(config.c_str(), &st), 0);  // made when missing
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    char small[8];
    EXPECT_EQ(GetWindowsDirectory(small, sizeof small), config.size() + 1);
    EXPECT_STREQ(small, "");
  }
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/config"}) {
    EnvScope scope("XDG_CONFIG_HOME", xdg);
    GetWindowsDirectory(buffer, MAX_PATH);
    EXPECT_EQ(std::string(buffer), root / ".config") << (xdg ? xdg : "(unset)");
    EXPECT_TRUE(std::filesystem::is_directory(root / ".config"));
  }
}

}  // namespace
