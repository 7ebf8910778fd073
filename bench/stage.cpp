// The stage's drawing costs, measured inside a running book on the headless
// platform: a full paint of the main screen, a page turn with its slide, a rub
// with many circles already revealed, and a repaint of the page through that
// region; and the start-up to the first paint. Content: page pictures of the
// real size (590 by 440, 8 bits, one palette) and small stage pictures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/book_app.h"
#include "app/main_frame.h"
#include "framework/headless/headless_platform.h"
#include "framework/runtime.h"
#include "image/image_impl.h"
#include "image/picture.h"

namespace {

void WritePng(const std::string& path, int w, int h, const std::function<int(int, int)>& index) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  CPicture picture("", IMAGE_PNG);
  picture.Create(w, h, 8, 3);
  BYTE red[256], green[256], blue[256];
  for (int i = 0; i < 256; ++i) {
    red[i] = static_cast<BYTE>(i);
    green[i] = static_cast<BYTE>(255 - i);
    blue[i] = static_cast<BYTE>(i * 37);
  }
  picture.SetPalette(256, red, green, blue);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) picture.SetPixelIndex(x, y, index(x, y));
  }
  picture.GetImpl()->Write(path);
}

void WriteContent(const std::string& dir) {
  const std::string books = dir + "/books/";
  struct Sized {
    const char* name;
    int w, h;
    std::uintmax_t size;
  };
  const Sized checked[] = {
      {"splash.png", 100, 60, 24790},       {"Title_animate1.png", 50, 59, 1477},
      {"Title_animate2.png", 50, 59, 1474}, {"Title_animate3.png", 50, 59, 1356},
      {"Title_animate4.png", 50, 59, 1472}, {"Title_animate5.png", 50, 59, 1456},
      {"Title2U.png", 190, 40, 1333},       {"Title2D.png", 190, 40, 1323},
      {"Title3.png", 400, 40, 3321},
  };
  for (const Sized& s : checked) {
    WritePng(books + s.name, s.w, s.h, [](int x, int y) { return (x + y) & 7; });
    const auto size = std::filesystem::file_size(books + s.name);
    if (size < s.size) {
      std::ofstream(books + s.name, std::ios::binary | std::ios::app)
          << std::string(static_cast<size_t>(s.size - size), '\0');
    }
  }
  for (const char* name : {"Nav_u.png", "Nav_d.png", "Nav1_u.png", "Nav1_d.png"}) {
    WritePng(books + name, 50, 42, [](int x, int) { return x & 15; });
  }
  for (int n = 1; n <= 10; ++n) {
    char up[32], down[32];
    std::snprintf(up, sizeof up, "But%02du.png", n);
    std::snprintf(down, sizeof down, "But%02dD.png", n);
    WritePng(books + up, 50, 42, [n](int x, int) { return (x + n) & 15; });
    WritePng(books + down, 50, 42, [n](int x, int) { return (x + 2 * n) & 15; });
  }
  // An outline drawing (white with black lines) and its colour picture.
  auto outline = [](int x, int y) { return (x % 37 == 0 || y % 29 == 0) ? 1 : 0; };
  auto colour = [](int x, int y) { return 2 + (x / 20 + y / 20) % 200; };
  for (const char* book : {"00", "01"}) {
    for (int page = 1; page <= 2; ++page) {
      char b[32], c[32];
      std::snprintf(b, sizeof b, "PL%s_%02db.png", book, page);
      std::snprintf(c, sizeof c, "PL%s_%02dc.png", book, page);
      WritePng(books + b, 590, 440, outline);
      WritePng(books + c, 590, 440, colour);
    }
  }
}

// A whole run of the book with a scripted user; `onStage` runs once the stage
// has been painted.
int RunBook(const std::string& contentDir, fw::headless::HeadlessPlatform& platform,
            const std::function<void()>& onStage) {
  char old[4096] = {};
  const bool hadCwd = getcwd(old, sizeof old) != nullptr;
  if (chdir(contentDir.c_str()) != 0) return -1;
  fw::SetPlatform(&platform);
  platform.WhenIdle([&platform] { platform.Key(VK_RETURN); });
  platform.WhenIdle(onStage);
  int code = 0;
  {
    CBookApp app;
    app.m_pszExeName = "pippalee-bench";
    try {
      code = fw::RunApplication(app);
    } catch (const fw::headless::ProcessExit& e) {
      code = e.code;
    }
    for (HWND h : fw::TopLevelWindows()) {
      if (IsWindow(h) && h->object) h->object->DestroyWindow();
    }
  }
  fw::ResetRuntime();
  fw::SetPlatform(nullptr);
  if (hadCwd && chdir(old) != 0) return -1;
  return code;
}

CMainScreen& Screen() { return dynamic_cast<CMainFrame*>(AfxGetMainWnd())->m_mainScreen; }
CPageView& View() { return Screen().m_pageView; }

void BM_StagePaint(benchmark::State& state) {
  for (auto _ : state) {
    Screen().Invalidate(FALSE);
    Screen().UpdateWindow();
  }
}

void BM_TurnPage(benchmark::State& state) {
  int page = 1;
  for (auto _ : state) {
    View().TurnPage(0, 0, 1, page);
    page = page == 1 ? 2 : 1;  // index 1 is page 2: every turn slides
  }
}

// A child's scribble over the page: the pointer wanders in steps of about 5
// pixels, turning a little at each move and turning back at the page's edges,
// so the rubbed area grows with holes and ragged edges.
struct Strokes {
  std::uint32_t seed = 12345;
  double x = 320, y = 240, heading = 0.5;
  double Random() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / static_cast<double>(1u << 24);
  }
  void Next(int& outX, int& outY) {
    heading += (Random() - 0.5) * 0.8;
    x += 5 * std::cos(heading);
    y += 5 * std::sin(heading);
    if (x < 55 || x > 635) {
      heading = 3.14159265 - heading;
      x = x < 55 ? 55 : 635;
    }
    if (y < 45 || y > 475) {
      heading = -heading;
      y = y < 45 ? 45 : 475;
    }
    outX = static_cast<int>(x);
    outY = static_cast<int>(y);
  }
};

void Prefill(int circles, Strokes& strokes) {
  View().TurnPage(0, 0, 1, 0);
  for (int n = 0; n < circles; ++n) {
    int x, y;
    strokes.Next(x, y);
    View().Rub(x, y, 0);
  }
}

int RegionRects() {
  auto* r = static_cast<fw::RegionState*>(View().m_rgnRevealed.GetSafeHandle());
  return r ? pixman_region32_n_rects(&r->region) : 0;
}

void BM_Rub(benchmark::State& state) {
  Strokes strokes;
  Prefill(static_cast<int>(state.range(0)), strokes);
  state.counters["rects_before"] = RegionRects();
  for (auto _ : state) {
    int x, y;
    strokes.Next(x, y);
    View().Rub(x, y, 0);
  }
  state.counters["rects_after"] = RegionRects();
}

void BM_RedrawThroughRubbedRegion(benchmark::State& state) {
  Strokes strokes;
  Prefill(static_cast<int>(state.range(0)), strokes);
  View().m_nBook = 0;
  state.counters["rects"] = RegionRects();
  for (auto _ : state) {
    View().Invalidate(FALSE);
    View().UpdateWindow();
  }
  View().m_nBook = -1;
}

}  // namespace

BENCHMARK(BM_StagePaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TurnPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rub)->Arg(0)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawThroughRubbedRegion)->Arg(0)->Arg(10000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  char pattern[] = "/tmp/pippalee-bench-stage-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) return 1;
  const std::string root = made;
  const std::string content = root + "/content";
  WriteContent(content);
  setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
  std::filesystem::create_directories(root + "/config");

  // Start-up to the first paint of the stage; on the virtual clock the
  // 500 ms sleep and the time the start dialog is up cost nothing.
  {
    const int runs = 10;
    double total = 0;
    for (int i = 0; i < runs; ++i) {
      fw::headless::HeadlessPlatform platform;
      const auto start = std::chrono::steady_clock::now();
      std::chrono::steady_clock::time_point painted;
      RunBook(content, platform, [&] { painted = std::chrono::steady_clock::now(); });
      total += std::chrono::duration<double, std::milli>(painted - start).count();
    }
    std::printf("start-up to the first paint: %.2f ms (mean of %d)\n", total / runs, runs);
  }

  fw::headless::HeadlessPlatform platform;
  RunBook(content, platform, [] { benchmark::RunSpecifiedBenchmarks(); });
  benchmark::Shutdown();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return 0;
}
