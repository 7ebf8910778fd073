// Dialog text on an enlarged screen: its glyphs are made at the physical
// size over the enlarged pixels (not enlarged from logical glyphs), only
// where the run still shows, and a showing of the damage alone gives the
// screen a full showing gives, text included.
#include "framework/sdl/screen_text.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "framework/headless/headless_platform.h"
#include "framework/sdl/screen_scale.h"
#include "framework/sdl/sharp_scaler.h"
#include "framework/sdl/top_level.h"
#include "framework/showing.h"
#include "framework/surface.h"
#include "framework/text.h"

namespace {

using fw::sdl::ScaleFactor;
using fw::sdl::ScreenPixels;
using fw::sdl::SharpScaler;

constexpr std::uint32_t kFace = 0xC0C0C0;
constexpr COLORREF kInk = RGB(0, 0, 0);

// Screens whose factor is fractional (1366x768, 1600x900, 3840x2160) and
// one whole one (1280x1040, factor 2).
const int kScreens[][2] = {{1366, 768}, {1600, 900}, {3840, 2160}, {1280, 1040}};

struct Screen {
  int width, height;
  std::vector<std::uint32_t> pixels;
  Screen(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
  ScreenPixels View() { return ScreenPixels{pixels.data(), width, height, width * 4}; }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

fw::ScreenText TextRun(const std::string& text, int x, int y, std::vector<RECT> shows) {
  fw::ScreenText run;
  run.face = "MS Sans Serif";
  run.pixelHeight = 11;
  run.x = x;
  run.y = y;
  run.text = text;
  run.color = kInk;
  run.shows = std::move(shows);
  return run;
}

void Fill(fw::Surface& s, std::uint32_t colour) {
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) s.pixels[y * (s.stride / 4) + x] = colour;
  }
}

// The logical window enlarged, then the runs over it.
Screen Shown(const fw::Surface& logical, ScaleFactor f, const std::vector<fw::ScreenText>& runs) {
  Screen screen(f.ToScreenCeil(logical.width), f.ToScreenCeil(logical.height));
  SharpScaler scaler(f, 0, 0, logical.width, logical.height, screen.width, screen.height);
  scaler.Scale(logical, screen.View(), scaler.WholeScreen());
  fw::sdl::DrawScreenText(runs, f, 0, 0, screen.View(), scaler.WholeScreen());
  return screen;
}

// Rows holding any pixel darker than the face.
int InkRows(const Screen& s) {
  int rows = 0;
  for (int y = 0; y + 1 < s.height; ++y) {
    bool ink = false;
    for (int x = 0; x + 1 < s.width && !ink; ++x) ink = (s.At(x, y) & 0xFFFFFF) != kFace;
    rows += ink;
  }
  return rows;
}

}  // namespace

TEST(ScreenText, GlyphsAreMadeAtThePhysicalSizeNotEnlarged) {
  for (const auto& size : kScreens) {
    const ScaleFactor f = fw::sdl::ComputeScreenScale(size[0], size[1]).factor;
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    fw::Surface logical(90, 24);
    Fill(logical, kFace);
    const Screen shown = Shown(logical, f, {TextRun("Hello, Ok", 5, 4, {RECT{0, 0, 90, 24}})});

    // What SDL_ttf makes of the same text at the enlarged size, on the face.
    fw::Surface expected(shown.width, shown.height);
    Fill(expected, kFace);
    fw::FontState big;
    big.face = "MS Sans Serif";
    big.pixelHeight = (2 * 11 * f.num + f.den) / (2 * f.den);
    fw::DrawTextRun(expected, nullptr, big, f.ToScreenFloor(5), f.ToScreenFloor(4), "Hello, Ok",
                    kInk);
    // (The last screen column and row straddle the window's edge.)
    int differing = 0;
    for (int y = 0; y < f.ToScreenFloor(24); ++y) {
      for (int x = 0; x < f.ToScreenFloor(90); ++x) {
        differing += (shown.At(x, y) & 0xFFFFFF) != expected.Pixel(x, y);
      }
    }
    EXPECT_EQ(differing, 0);

    // The logical glyphs enlarged would look otherwise: the crisp text is
    // not the old enlargement under another name.
    fw::Surface drawnSmall(90, 24);
    Fill(drawnSmall, kFace);
    fw::FontState small;
    small.face = "MS Sans Serif";
    small.pixelHeight = 11;
    fw::DrawTextRun(drawnSmall, nullptr, small, 5, 4, "Hello, Ok", kInk);
    const Screen enlarged = Shown(drawnSmall, f, {});
    EXPECT_NE(enlarged.pixels, shown.pixels);
    EXPECT_GT(InkRows(shown), 0);
  }
}

TEST(ScreenText, ARunShowsOnlyInTheBlocksOfThePixelsItStillShowsIn) {
  for (const auto& size : kScreens) {
    const ScaleFactor f = fw::sdl::ComputeScreenScale(size[0], size[1]).factor;
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    fw::Surface logical(90, 24);
    Fill(logical, kFace);
    // Only the left 20 logical columns still show the run.
    const Screen shown = Shown(logical, f, {TextRun("Hello, Ok", 5, 4, {RECT{0, 0, 20, 24}})});
    const int edge = f.ToScreenFloor(20);
    int inkLeft = 0, inkRight = 0;
    for (int y = 0; y < f.ToScreenFloor(24); ++y) {
      for (int x = 0; x < f.ToScreenFloor(90); ++x) {
        const bool ink = (shown.At(x, y) & 0xFFFFFF) != kFace;
        (x < edge ? inkLeft : inkRight) += ink;
      }
    }
    EXPECT_GT(inkLeft, 0);
    EXPECT_EQ(inkRight, 0);
  }
}

TEST(ScreenText, LaterDrawingHidesARunWhereItGoesAndDropsItWhenCovered) {
  fw::headless::HeadlessPlatform platform;
  fw::SetPlatform(&platform);
  fw::Surface logical(100, 40);
  fw::ShownWindow shown(logical, fw::kNoNativeWindow);
  pixman_region32_t clip;
  pixman_region32_init_rect(&clip, 0, 0, 100, 40);
  shown.AddText(TextRun("Cancel", 10, 10, {}), clip, RECT{8, 9, 50, 25});
  shown.AddText(TextRun("OK", 60, 10, {}), clip, RECT{58, 9, 80, 25});
  // Text over text hides nothing.
  shown.AddText(TextRun("OK", 60, 10, {}), clip, RECT{58, 9, 80, 25});
  pixman_region32_fini(&clip);
  ASSERT_EQ(shown.TextRuns().size(), 3u);
  // A focus line across the first run's middle, then the second control
  // repainted over its whole area.
  shown.AddDamage(0, 16, 55, 1);
  shown.AddDamage(55, 0, 45, 40);
  const std::vector<fw::ScreenText> runs = shown.TextRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].text, "Cancel");
  int area = 0;
  for (const RECT& r : runs[0].shows) {
    EXPECT_FALSE(r.top <= 16 && r.bottom > 16) << "shows under the line";
    area += (r.right - r.left) * (r.bottom - r.top);
  }
  EXPECT_EQ(area, 42 * 15);
  fw::SetPlatform(nullptr);
}

namespace {

bool VideoUp() {
  static const bool up = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return SDL_Init(SDL_INIT_VIDEO) == 0;
  }();
  return up;
}

// Windows of the desktop kind, shown into SDL window surfaces in memory.
class OffscreenPlatform : public fw::headless::HeadlessPlatform {
 public:
  explicit OffscreenPlatform(const fw::sdl::ScreenScale& scale) : scale_(scale) {}
  fw::NativeWindowId Open(int width, int height) {
    fw::TopLevelDesc desc;
    desc.width = width;
    desc.height = height;
    window_ = std::make_unique<fw::sdl::TopLevel>(desc, 0, scale_, nullptr);
    window_->Show(SW_SHOW);
    return window_->id();
  }
  fw::WindowScale TextScale(fw::NativeWindowId) override { return window_->TextScale(); }
  void Present(fw::NativeWindowId, const fw::Surface& surface, const std::vector<RECT>& damage,
               const std::vector<fw::ScreenText>& text) override {
    window_->Present(surface, damage, text);
  }
  fw::sdl::TopLevel& window() { return *window_; }

 private:
  fw::sdl::ScreenScale scale_;
  std::unique_ptr<fw::sdl::TopLevel> window_;
};

std::vector<std::uint32_t> WindowPixels(fw::sdl::TopLevel& w) {
  SDL_Surface* s = SDL_GetWindowSurface(w.sdl());
  std::vector<std::uint32_t> out;
  if (!s) return out;
  SDL_LockSurface(s);
  for (int y = 0; y < s->h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(
        static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < s->w; ++x) out.push_back(row[x] & 0xFFFFFF);
  }
  SDL_UnlockSurface(s);
  return out;
}

}  // namespace

TEST(ScreenText, ShowingTheDamageAloneGivesTheScreenAFullShowingGives) {
  if (!VideoUp()) GTEST_SKIP() << "no offscreen video driver: " << SDL_GetError();
  const std::string words[] = {"OK", "Cancel", "Print to", "Copies", "&&", "gjpqy"};
  for (const auto& size : kScreens) {
    const fw::sdl::ScreenScale scale = fw::sdl::ComputeScreenScale(size[0], size[1]);
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    OffscreenPlatform platform(scale);
    fw::SetPlatform(&platform);
    fw::Surface logical(120, 60);
    Fill(logical, kFace);
    fw::ShownWindow shown(logical, platform.Open(logical.width, logical.height));
    ASSERT_FALSE(shown.textScale().one());
    shown.DamageAll();
    std::mt19937 rng(7);
    for (int step = 0; step < 60; ++step) {
      const int x = static_cast<int>(rng() % 110) - 5, y = static_cast<int>(rng() % 56) - 4;
      if (rng() % 2) {
        // A fill covers what it is drawn over, text included.
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 20);
        const std::uint32_t colour = rng() % 3 ? kFace : (rng() & 0xFFFFFF);
        for (int py = std::max(0, y); py < std::min(logical.height, y + h); ++py) {
          for (int px = std::max(0, x); px < std::min(logical.width, x + w); ++px) {
            logical.pixels[py * (logical.stride / 4) + px] = colour;
          }
        }
        shown.AddDamage(x, y, w, h);
      } else {
        // Text as a window's device context hands it over: clipped to a
        // control's rectangle.
        const std::string& text = words[rng() % std::size(words)];
        fw::FontState font;
        font.face = "MS Sans Serif";
        font.pixelHeight = 11;
        pixman_region32_t clip;
        pixman_region32_init_rect(&clip, x - 3, y, 30 + rng() % 40, 14);
        const RECT extent = fw::ScaledTextExtent(
            font, x, y, text, fw::TextScaling{scale.factor.num, scale.factor.den});
        fw::ScreenText run = TextRun(text, x, y, {});
        run.color = rng() % 2 ? kInk : RGB(rng() % 256, 0, 128);
        shown.AddText(run, clip, extent);
        pixman_region32_fini(&clip);
      }
      if (rng() % 3 == 0 || step == 59) {
        shown.Show();
        const std::vector<std::uint32_t> damageOnly = WindowPixels(platform.window());
        OffscreenPlatform fresh(scale);
        fresh.Open(logical.width, logical.height);
        fresh.window().Present(logical, {}, shown.TextRuns());
        ASSERT_EQ(damageOnly, WindowPixels(fresh.window())) << "after step " << step;
      }
    }
    EXPECT_FALSE(shown.TextRuns().empty());
  }
  fw::SetPlatform(nullptr);
}
