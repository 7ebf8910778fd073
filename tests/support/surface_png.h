// Saving window surfaces as PNG files, to look at what a failing test saw.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/surface.h"
#include "framework/wnd.h"
#include "framework/wnd_internal.h"

namespace testing_support {

// Writes surface as an RGB PNG at path; false when it cannot.
inline bool SaveSurfaceAsPng(const fw::Surface& surface, const std::string& path) {
  if (!surface.pixels || surface.width <= 0 || surface.height <= 0) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(surface.width);
  image.height = static_cast<png_uint_32>(surface.height);
  image.format = PNG_FORMAT_BGRA;  // x8r8g8b8 in memory on a little-endian machine
  std::vector<std::uint32_t> opaque(static_cast<size_t>(surface.width) * surface.height);
  for (int y = 0; y < surface.height; ++y) {
    for (int x = 0; x < surface.width; ++x) {
      opaque[static_cast<size_t>(y) * surface.width + x] = surface.Pixel(x, y) | 0xFF000000u;
    }
  }
  return png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), 0, nullptr) != 0;
}

// Saves every top-level window's surface as <folder>/<test>-<n>.png, folder
// being $PIPPALEE_FAILURE_DIR or /tmp, when the running test has failed.
inline void SaveSurfacesIfFailed() {
  if (!::testing::Test::HasFailure()) return;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const char* dir = std::getenv("PIPPALEE_FAILURE_DIR");
  std::string prefix = std::string(dir ? dir : "/tmp") + "/pippalee-failure-";
  if (test) prefix += std::string(test->test_suite_name()) + "." + test->name();
  int n = 0;
  for (HWND window : fw::TopLevelWindows()) {
    if (const fw::Surface* surface = fw::WindowSurface(window)) {
      const std::string path = prefix + "-" + std::to_string(n++) + ".png";
      if (SaveSurfaceAsPng(*surface, path)) std::fprintf(stderr, "saved %s\n", path.c_str());
    }
  }
}

}  // namespace testing_support
