// Every input that ever made a fuzz harness fail, replayed the way that
// harness uses it, so that a fault once found stays found.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "format_test_support.h"
#include "fuzz/image_read_fuzz.h"
#include "fuzz/picture_fuzz.h"
#include "image/bmp_image_impl.h"
#include "image/gif_image_impl.h"
#include "image/jpeg_image_impl.h"
#include "image/png_image_impl.h"

namespace {

using formats_test::ReadBytes;

// Runs the harness named by the file's prefix on its bytes; false for a
// prefix no harness has.
bool Replay(const std::string& name, const std::vector<BYTE>& bytes) {
  const std::string harness = name.substr(0, name.find('-'));
  if (harness == "bmp_read")
    return fuzz::ReadAndUse<CBmpImageImpl>(bytes.data(), bytes.size(), "bmp") == 0;
  if (harness == "gif_read")
    return fuzz::ReadAndUse<CGifImageImpl>(bytes.data(), bytes.size(), "gif") == 0;
  if (harness == "jpeg_read")
    return fuzz::ReadAndUse<CJpegImageImpl>(bytes.data(), bytes.size(), "jpg") == 0;
  if (harness == "png_read")
    return fuzz::ReadAndUse<CPngImageImpl>(bytes.data(), bytes.size(), "png") == 0;
  if (harness != "picture") return false;
  formats_test::TempFolder folder;
  fuzz::ExercisePictures(bytes.data(), bytes.size(), folder.path());
  return true;
}

TEST(Regressions, EveryInputThatEverFailedRunsClean) {
  const std::string dir = std::string(PIPPALEE_SOURCE_DIR) + "/fuzz/regressions";
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name != "README.md") names.push_back(name);
  }
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::vector<BYTE> bytes = ReadBytes(dir + "/" + name);
    EXPECT_TRUE(Replay(name, bytes)) << "no harness for this name";
    // Through the picture harness too, under its own name's extension.
    std::vector<BYTE> named = {static_cast<BYTE>(0), static_cast<BYTE>(0)};
    const auto& extensions = fuzz::PictureExtensions();
    const std::string ext = std::filesystem::path(name).extension().string();
    for (std::size_t i = 0; i < extensions.size(); ++i) {
      if (!ext.empty() && extensions[i] == ext.substr(1))
        named[0] = named[1] = static_cast<BYTE>(i);
    }
    named.insert(named.end(), bytes.begin(), bytes.end());
    Replay("picture", named);
  }
}

}  // namespace
