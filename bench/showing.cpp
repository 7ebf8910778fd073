// The cost of showing a window on the desktop: a rub (a 40 by 40 damage) and
// a whole stage (640 by 480), scaled sharply into a window surface in memory
// (SDL's offscreen video driver) and sent, at three common screen sizes and at
// 640 by 480, where nothing is enlarged. For comparison, pixman's separable
// convolution doing the same blend for the whole stage.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "framework/sdl/screen_scale.h"
#include "framework/sdl/sharp_scaler.h"
#include "framework/sdl/top_level.h"
#include "framework/surface.h"

namespace {

struct Size {
  int width, height;
};
constexpr Size kScreens[] = {{3840, 2160}, {1920, 1080}, {1366, 768}, {640, 480}};

bool VideoUp() {
  static const bool up = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // As the program asks: the plain framebuffer, not a texture drawn by a
    // renderer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return SDL_Init(SDL_INIT_VIDEO) == 0;
  }();
  return up;
}

void Randomise(fw::Surface& s) {
  std::mt19937 rng(1);
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) s.pixels[y * (s.stride / 4) + x] = rng() & 0xFFFFFF;
  }
}

// A window the size of the logical screen of screen, showing damage again
// and again.
void Show(benchmark::State& state, int damageWidth, int damageHeight) {
  if (!VideoUp()) {
    state.SkipWithError("no offscreen video driver");
    return;
  }
  const Size screen = kScreens[state.range(0)];
  const fw::sdl::ScreenScale scale = fw::sdl::ComputeScreenScale(screen.width, screen.height);
  fw::TopLevelDesc desc;
  desc.width = scale.logicalWidth;
  desc.height = scale.logicalHeight;
  fw::sdl::TopLevel window(desc, 0, scale, nullptr);
  if (!window.sdl()) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  window.Show(SW_SHOW);
  fw::Surface logical(scale.logicalWidth, scale.logicalHeight);
  Randomise(logical);
  window.Present(logical, {});  // the first showing sends everything
  // Where the frame puts the stage; the damage in its middle.
  const int stageX = (scale.logicalWidth - 640) / 2, stageY = (scale.logicalHeight - 480) / 2 + 20;
  const int x = stageX + (640 - damageWidth) / 2, y = stageY + (480 - damageHeight) / 2;
  const std::vector<RECT> damage{RECT{x, y, x + damageWidth, y + damageHeight}};
  for (auto _ : state) window.Present(logical, damage);
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height));
}

void BM_ShowRub(benchmark::State& state) { Show(state, 40, 40); }
void BM_ShowStage(benchmark::State& state) { Show(state, 640, 480); }
BENCHMARK(BM_ShowRub)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShowStage)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The scaler alone for the whole stage, into memory.
void BM_ScaleStage(benchmark::State& state) {
  const Size screen = kScreens[state.range(0)];
  const fw::sdl::ScreenScale scale = fw::sdl::ComputeScreenScale(screen.width, screen.height);
  fw::Surface logical(640, 480);
  Randomise(logical);
  fw::sdl::SharpScaler scaler(scale.factor, 0, 0, 640, 480, scale.factor.ToScreenCeil(640),
                              scale.factor.ToScreenCeil(480));
  std::vector<std::uint32_t> out(static_cast<size_t>(scale.factor.ToScreenCeil(640)) *
                                 scale.factor.ToScreenCeil(480));
  const fw::sdl::ScreenPixels pixels{out.data(), scale.factor.ToScreenCeil(640),
                                     scale.factor.ToScreenCeil(480),
                                     scale.factor.ToScreenCeil(640) * 4};
  for (auto _ : state) scaler.Scale(logical, pixels, scaler.WholeScreen());
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height));
}
BENCHMARK(BM_ScaleStage)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// pixman's area-weighted scaling (box filters, 4 bits of sub-pixel phase) of
// the whole stage: what the sharp scaler would cost through it.
void BM_PixmanConvolutionStage(benchmark::State& state) {
  const Size screen = kScreens[state.range(0)];
  const fw::sdl::ScreenScale scale = fw::sdl::ComputeScreenScale(screen.width, screen.height);
  fw::Surface logical(640, 480);
  Randomise(logical);
  const int w = scale.factor.ToScreenCeil(640), h = scale.factor.ToScreenCeil(480);
  fw::Surface out(w, h);
  const pixman_fixed_t inverse = pixman_double_to_fixed(1.0 / scale.factor.value());
  pixman_transform_t t;
  pixman_transform_init_scale(&t, inverse, inverse);
  pixman_image_set_transform(logical.image, &t);
  int n = 0;
  pixman_fixed_t* params = pixman_filter_create_separable_convolution(
      &n, inverse, inverse, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX,
      PIXMAN_KERNEL_BOX, 4, 4);
  pixman_image_set_filter(logical.image, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n);
  free(params);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, logical.image, nullptr, out.image, 0, 0, 0, 0, 0, 0, w,
                             h);
  }
  state.SetLabel(std::to_string(screen.width) + "x" + std::to_string(screen.height));
}
BENCHMARK(BM_PixmanConvolutionStage)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
