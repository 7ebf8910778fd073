// The cost of small crafted files that ask for large pictures (the inputs in
// fuzz/regressions/): a JPEG whose header declares 60000 by 1000 pixels, and
// a 32 KB PNG of 16384 by 16384 pixels of 1 bit, read and drawn small. The
// process's peak resident memory is printed beside the time.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "framework/dc.h"
#include "framework/gdi.h"
#include "image/image_impl.h"
#include "image/picture.h"

namespace {

std::string Regression(const std::string& name) {
  return std::string(PIPPALEE_SOURCE_DIR) + "/fuzz/regressions/" + name;
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_OversizedJpegRefused(benchmark::State& state) {
  const std::string path = Regression("jpeg_read-60000x1000.jpg");
  for (auto _ : state) {
    CPicture picture(path, IMAGE_UNKNOWN);
    benchmark::DoNotOptimize(picture.IsValid());
  }
  state.counters["peak_rss_mb"] = PeakMegabytes();
}
BENCHMARK(BM_OversizedJpegRefused)->Unit(benchmark::kMillisecond);

void BM_HugeOneBitPngDrawnSmall(benchmark::State& state) {
  CPicture picture(Regression("png_read-16384x16384-1bit.png"), IMAGE_UNKNOWN);
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(mem, 48, 48);
  SelectObject(mem, bitmap);
  CDC dc;
  dc.Attach(mem);
  dc.SelectPalette(picture.GetPalette(), TRUE);
  for (auto _ : state) {
    picture.Draw(&dc, 0, 0);
    picture.StretchDraw(&dc, 1, 1, 40, 30);
  }
  dc.Detach();
  DeleteDC(mem);
  DeleteObject(bitmap);
  state.counters["peak_rss_mb"] = PeakMegabytes();
}
BENCHMARK(BM_HugeOneBitPngDrawnSmall)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
