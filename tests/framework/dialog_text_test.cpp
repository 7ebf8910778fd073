// A message box's text on a platform that draws dialog text itself at an
// enlarged size: the glyphs stay out of the window's surface and reach the
// platform as runs; where the platform does not enlarge, they are drawn into
// the surface as always.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/headless/headless_platform.h"
#include "framework/msgbox.h"
#include "framework/surface.h"

namespace {

class ScalingPlatform : public fw::headless::HeadlessPlatform {
 public:
  explicit ScalingPlatform(fw::WindowScale scale) : scale_(scale) {}
  fw::WindowScale TextScale(fw::NativeWindowId) override { return scale_; }
  void Present(fw::NativeWindowId id, const fw::Surface& surface, const std::vector<RECT>& damage,
               const std::vector<fw::ScreenText>& text) override {
    HeadlessPlatform::Present(id, surface, damage, text);
    runs.clear();
    for (const fw::ScreenText& t : text) runs.push_back(t.text);
    // The controls are drawn in four colours; the glyphs' smoothed edges
    // are the only pixels of any other.
    glyphEdges = 0;
    for (int y = 0; y < surface.height; ++y) {
      for (int x = 0; x < surface.width; ++x) {
        const std::uint32_t p = surface.Pixel(x, y);
        glyphEdges += p != 0xC0C0C0 && p != 0xFFFFFF && p != 0x808080 && p != 0;
      }
    }
  }
  std::vector<std::string> runs;
  int glyphEdges = 0;

 private:
  fw::WindowScale scale_;
};

struct Seen {
  std::vector<std::string> runs;
  int glyphEdges = 0;
};

Seen ShowMessage(fw::WindowScale scale) {
  ScalingPlatform platform(scale);
  fw::SetPlatform(&platform);
  Seen seen;
  platform.WhenIdle([&] {
    seen.runs = platform.runs;
    seen.glyphEdges = platform.glyphEdges;
    platform.Key(VK_RETURN);
  });
  MessageBox(nullptr, "Crayons are ready", "Pippalee", MB_OK);
  fw::SetPlatform(nullptr);
  return seen;
}

}  // namespace

TEST(DialogText, AnEnlargingPlatformGetsTheTextAsRunsAndTheSurfaceNoGlyphs) {
  const Seen enlarged = ShowMessage(fw::WindowScale{3, 2});
  EXPECT_NE(std::find(enlarged.runs.begin(), enlarged.runs.end(), "Crayons are ready"),
            enlarged.runs.end());
  EXPECT_NE(std::find(enlarged.runs.begin(), enlarged.runs.end(), "OK"), enlarged.runs.end());

  const Seen plain = ShowMessage(fw::WindowScale{});
  EXPECT_TRUE(plain.runs.empty());
  EXPECT_EQ(enlarged.glyphEdges, 0);
  EXPECT_GT(plain.glyphEdges, 40);
}
