// Reading PNG pictures against a bare libpng decode of the same file, and
// drawing a 590 by 440 8-bit page onto a surface, whole and through a clip
// region of 2,000 circles.
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/dc.h"
#include "image/png_image_impl.h"

namespace {

// A page like the book's: large areas of a few colours with outlines, 8-bit
// with a 256-entry palette, written by the library itself.
const std::string& PagePath() {
  static const std::string path = [] {
    char dir[] = "/tmp/pippalee-bench-png-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    const std::string p = std::string(dir) + "/page.png";
    CPngImageImpl page(p);
    page.Create(590, 440, 8, -1);
    BYTE triples[256 * 3];
    for (int i = 0; i < 256; ++i) {
      triples[3 * i] = static_cast<BYTE>(i);
      triples[3 * i + 1] = static_cast<BYTE>((i * 7) & 0xFF);
      triples[3 * i + 2] = static_cast<BYTE>(255 - i);
    }
    page.SetPalette(256, triples);
    unsigned seed = 12345;
    for (int y = 0; y < 440; ++y) {
      for (int x = 0; x < 590; ++x) {
        seed = seed * 1103515245u + 12345u;
        const bool outline = (x % 37) < 2 || (y % 29) < 2 || ((seed >> 16) & 63) == 0;
        page.SetPixelIndex(x, y, static_cast<BYTE>(outline ? 0 : 1 + ((x / 37 + y / 29) % 200)));
      }
    }
    if (!page.Write("")) std::abort();
    return p;
  }();
  return path;
}

// The plain libpng decode: rows of the file's own layout, nothing more.
void BareDecode(const std::string& path, std::vector<png_byte>& pixels) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) std::abort();
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_init_io(png, f);
  png_read_info(png, info);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  pixels.resize(rowBytes * height);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, pixels.data() + rowBytes * y, nullptr);
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
}

void BM_ReadPage(benchmark::State& state) {
  const std::string& path = PagePath();
  for (auto _ : state) {
    CPngImageImpl image(path);
    if (!image.Read("")) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(image.m_pBits);
  }
}
BENCHMARK(BM_ReadPage)->Unit(benchmark::kMicrosecond);

void BM_ReadPageBareLibpng(benchmark::State& state) {
  const std::string& path = PagePath();
  std::vector<png_byte> pixels;
  for (auto _ : state) {
    BareDecode(path, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_ReadPageBareLibpng)->Unit(benchmark::kMicrosecond);

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  const std::string dir = std::string(PIPPALEE_TESTDATA_DIR) + "/pngsuite";
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() == ".png" && name[0] != 'x') names.push_back(e.path().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// All valid PngSuite files, one pass over the suite per iteration.
void BM_ReadSuite(benchmark::State& state) {
  const auto files = SuiteFiles();
  for (auto _ : state) {
    for (const auto& f : files) {
      CPngImageImpl image(f);
      image.Read("");
      benchmark::DoNotOptimize(image.m_pBits);
    }
  }
  state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_ReadSuite)->Unit(benchmark::kMicrosecond);

void BM_ReadSuiteBareLibpng(benchmark::State& state) {
  const auto files = SuiteFiles();
  std::vector<png_byte> pixels;
  for (auto _ : state) {
    for (const auto& f : files) {
      BareDecode(f, pixels);
      benchmark::DoNotOptimize(pixels.data());
    }
  }
}
BENCHMARK(BM_ReadSuiteBareLibpng)->Unit(benchmark::kMicrosecond);

struct Stage {
  Stage() {
    hdc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(hdc, 640, 480);
    SelectObject(hdc, bitmap);
    dc.Attach(hdc);
    page.Read(PagePath());
    dc.SelectPalette(page.GetPalette(), TRUE);
    dc.RealizePalette();
  }
  ~Stage() {
    dc.Detach();
    DeleteDC(hdc);
    DeleteObject(bitmap);
  }
  HDC hdc;
  HBITMAP bitmap;
  CDC dc;
  CPngImageImpl page;
};

void BM_DrawPage(benchmark::State& state) {
  Stage stage;
  for (auto _ : state) stage.page.Draw(&stage.dc, 50, 40, -1, -1, 0, 0);
}
BENCHMARK(BM_DrawPage)->Unit(benchmark::kMicrosecond);

void BM_DrawPageThroughCircles(benchmark::State& state) {
  Stage stage;
  // The revealed region after a long rub: 2,000 circles of 40 pixels.
  CRgn revealed;
  revealed.CreateRectRgn(0, 0, 0, 0);
  unsigned seed = 7;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int x = 50 + static_cast<int>((seed >> 8) % 570);
    const int y = 40 + static_cast<int>((seed >> 20) % 420);
    CRgn circle;
    circle.CreateEllipticRgn(x - 20, y - 20, x + 20, y + 20);
    revealed.CombineRgn(&revealed, &circle, RGN_OR);
  }
  stage.dc.SelectClipRgn(&revealed);
  for (auto _ : state) stage.page.Draw(&stage.dc, 50, 40, -1, -1, 0, 0);
}
BENCHMARK(BM_DrawPageThroughCircles)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
