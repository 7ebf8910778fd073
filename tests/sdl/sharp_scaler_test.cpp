// The sharp scaler against itself (a showing of the damage alone gives the
// screen a full showing gives) and against its definition (each screen pixel
// is the area-weighted mix of the logical pixels it covers, black outside).
#include "framework/sdl/sharp_scaler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "framework/sdl/screen_scale.h"

namespace {

using fw::sdl::ScaleFactor;
using fw::sdl::ScreenPixels;
using fw::sdl::SharpScaler;

// The factors of common screens, and two whole ones.
std::vector<fw::sdl::ScreenScale> Scales() {
  const int screens[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},
                            {1366, 768},  {1600, 900},  {1920, 1080}, {2560, 1440},
                            {3840, 2160}, {5120, 2880}, {1280, 1040}, {1920, 1560}};
  std::vector<fw::sdl::ScreenScale> out;
  for (const auto& s : screens) out.push_back(fw::sdl::ComputeScreenScale(s[0], s[1]));
  return out;
}

struct Screen {
  int width, height;
  std::vector<std::uint32_t> pixels;
  Screen(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0xABCDEFu) {}
  ScreenPixels View() { return ScreenPixels{pixels.data(), width, height, width * 4}; }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

void Randomise(fw::Surface& s, std::mt19937& rng) {
  for (int y = 0; y < s.height; ++y) {
    // The unused top byte holds anything; it must not reach the screen.
    for (int x = 0; x < s.width; ++x) s.pixels[y * (s.stride / 4) + x] = rng();
  }
}

// A small logical window (so that every pixel can be checked) shown at the
// factor and offset of each screen, with a margin on every side.
struct Layout {
  ScaleFactor f;
  int originX, originY;
  fw::Surface logical{37, 29};
  int screenWidth, screenHeight;
  explicit Layout(const fw::sdl::ScreenScale& s)
      : f(s.factor), originX(s.offsetX + 2), originY(s.offsetY + 1) {
    screenWidth = originX + f.ToScreenCeil(logical.width) + 3;
    screenHeight = originY + f.ToScreenCeil(logical.height) + 2;
  }
  SharpScaler Scaler() const {
    return SharpScaler(f, originX, originY, logical.width, logical.height, screenWidth,
                       screenHeight);
  }
};

TEST(SharpScaler, ShowingTheDamageAloneGivesTheScreenAFullShowingGives) {
  std::mt19937 rng(12);
  for (const fw::sdl::ScreenScale& scale : Scales()) {
    SCOPED_TRACE(testing::Message() << scale.factor.num << "/" << scale.factor.den);
    Layout s(scale);
    SharpScaler scaler = s.Scaler();
    Randomise(s.logical, rng);
    Screen partial(s.screenWidth, s.screenHeight);
    scaler.Scale(s.logical, partial.View(), scaler.WholeScreen());
    for (int round = 0; round < 20; ++round) {
      // Change a random rectangle, and show only it.
      const int x0 = static_cast<int>(rng() % s.logical.width);
      const int y0 = static_cast<int>(rng() % s.logical.height);
      const int x1 = x0 + 1 + static_cast<int>(rng() % (s.logical.width - x0));
      const int y1 = y0 + 1 + static_cast<int>(rng() % (s.logical.height - y0));
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x)
          s.logical.pixels[y * (s.logical.stride / 4) + x] = rng() & 0xFFFFFF;
      }
      scaler.Scale(s.logical, partial.View(), scaler.ScreenRect(RECT{x0, y0, x1, y1}));
    }
    Screen full(s.screenWidth, s.screenHeight);
    scaler.Scale(s.logical, full.View(), scaler.WholeScreen());
    EXPECT_EQ(partial.pixels, full.pixels);
  }
}

// The exact mix, by areas, of the logical pixels screen pixel (x, y) covers.
double Definition(const Layout& s, int x, int y, int shift) {
  const double f = s.f.value();
  const double lx0 = (x - s.originX) / f, lx1 = (x + 1 - s.originX) / f;
  const double ly0 = (y - s.originY) / f, ly1 = (y + 1 - s.originY) / f;
  double sum = 0;
  for (int ly = static_cast<int>(std::floor(ly0)); ly < ly1; ++ly) {
    const double h = std::min<double>(ly + 1, ly1) - std::max<double>(ly, ly0);
    for (int lx = static_cast<int>(std::floor(lx0)); lx < lx1; ++lx) {
      const double w = std::min<double>(lx + 1, lx1) - std::max<double>(lx, lx0);
      if (w <= 0 || h <= 0) continue;
      std::uint32_t p = 0;  // black outside
      if (lx >= 0 && ly >= 0 && lx < s.logical.width && ly < s.logical.height)
        p = s.logical.Pixel(lx, ly);
      sum += w * h * ((p >> shift) & 0xFF);
    }
  }
  return sum * f * f;
}

TEST(SharpScaler, EachScreenPixelIsTheAreaMixOfTheLogicalPixelsItCovers) {
  std::mt19937 rng(7);
  for (const fw::sdl::ScreenScale& scale : Scales()) {
    SCOPED_TRACE(testing::Message() << scale.factor.num << "/" << scale.factor.den);
    Layout s(scale);
    SharpScaler scaler = s.Scaler();
    Randomise(s.logical, rng);
    Screen screen(s.screenWidth, s.screenHeight);
    scaler.Scale(s.logical, screen.View(), scaler.WholeScreen());
    const double f = s.f.value();
    int inexactInside = 0, offBlend = 0, blended = 0;
    for (int y = 0; y < screen.height; ++y) {
      for (int x = 0; x < screen.width; ++x) {
        const std::uint32_t got = screen.At(x, y);
        // A pixel inside one logical pixel's block (or in the margin) is
        // that pixel's colour exactly: nearest neighbour, no blur.
        const double lx0 = (x - s.originX) / f, lx1 = (x + 1 - s.originX) / f;
        const double ly0 = (y - s.originY) / f, ly1 = (y + 1 - s.originY) / f;
        const bool inside =
            std::floor(lx0) == std::ceil(lx1) - 1 && std::floor(ly0) == std::ceil(ly1) - 1;
        for (int shift : {0, 8, 16}) {
          const double want = Definition(s, x, y, shift);
          const int have = static_cast<int>((got >> shift) & 0xFF);
          if (inside) {
            if (have != static_cast<int>(std::lround(want))) ++inexactInside;
          } else {
            // Weights are kept in 1/256ths and each of the two passes rounds:
            // at most half a level from each weight and each rounding.
            if (std::abs(have - want) > 2.0) ++offBlend;
          }
        }
        if (!inside) ++blended;
        if ((got >> 24) != 0xFF) ++offBlend;  // every pixel is opaque
      }
    }
    EXPECT_EQ(inexactInside, 0);
    EXPECT_EQ(offBlend, 0);
    if (s.f.whole()) {
      EXPECT_EQ(blended, 0) << "a whole factor blends nothing";
    } else {
      EXPECT_GT(blended, 0);
    }
  }
}

TEST(SharpScaler, TheScreenRectangleOfADamageHoldsEveryPixelItChanges) {
  // 1366 by 768: a one-pixel damage at logical 10 covers 14.77 to 16.25.
  SharpScaler scaler({96, 65}, 0, 0, 100, 100, 200, 200);
  const RECT r = scaler.ScreenRect(RECT{10, 10, 11, 11});
  EXPECT_EQ(r.left, 14);
  EXPECT_EQ(r.right, 17);
  EXPECT_EQ(r.top, 14);
  EXPECT_EQ(r.bottom, 17);
  // Cut to the screen.
  const RECT edge = scaler.ScreenRect(RECT{-5, 90, 100, 200});
  EXPECT_EQ(edge.left, 0);
  EXPECT_EQ(edge.right, 148);
  EXPECT_EQ(edge.bottom, 200);
}

}  // namespace
