// Reading and writing GIF, JPEG and BMP files of page size (590 × 440),
// each beside the reference it is measured against in the same run:
// giflib's DGifSlurp and EGifPutLine, libjpeg's own 128-colour decoding
// (what djpeg -colors 128 does), and a plain read of the BMP's bytes.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "image/bmp_image_impl.h"
#include "image/gif_image_impl.h"
#include "image/jpeg_image_impl.h"

namespace {

constexpr int kWidth = 590;
constexpr int kHeight = 440;

std::string Scratch(const std::string& name) {
  return "/tmp/pippalee-bench-" + std::to_string(getpid()) + "-" + name;
}

std::vector<BYTE> FileBytes(const std::string& path) {
  std::vector<BYTE> out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    BYTE buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
  }
  return out;
}

// A picture like a coloured page: smooth shapes with outlines and a little
// grain, in 8 bits with a palette of 256 colours, and in 24 bits.
struct Pages {
  std::string gif, jpeg, bmp;
  std::vector<BYTE> indices;  // top row first
  BYTE colors[256 * 3];
  Pages() {
    for (int i = 0; i < 256; ++i) {
      colors[3 * i] = static_cast<BYTE>((i * 37) & 255);
      colors[3 * i + 1] = static_cast<BYTE>((i * 91 + 40) & 255);
      colors[3 * i + 2] = static_cast<BYTE>((i * 13 + 200) & 255);
    }
    CGifImageImpl pic8;
    pic8.Create(kWidth, kHeight, 8, -1);
    pic8.SetPalette(256, colors);
    CBmpImageImpl pic24;
    pic24.Create(kWidth, kHeight, 24, -1);
    unsigned seed = 12345;
    indices.resize(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const double d = std::hypot(x - 300.0, y - 220.0);
        int region = static_cast<int>(d / 40) + (x / 120) * 7 + (y / 110) * 3;
        seed = seed * 1103515245 + 12345;
        if (((seed >> 16) & 31) == 0) region += 1;      // grain
        if (static_cast<int>(d) % 40 == 0) region = 0;  // outlines
        const BYTE v = static_cast<BYTE>(region & 255);
        indices[y * kWidth + x] = v;
        pic8.SetPixelIndex(x, kHeight - 1 - y, v);
        pic24.SetPixelRGB(x, kHeight - 1 - y, colors[3 * v], colors[3 * v + 1],
                          static_cast<BYTE>((colors[3 * v + 2] + x) & 255));
      }
    }
    gif = Scratch("page.gif");
    bmp = Scratch("page.bmp");
    jpeg = Scratch("page.jpg");
    pic8.Write(gif);
    pic24.Write(bmp);
    CJpegImageImpl jpg;
    jpg.Create(kWidth, kHeight, 24, -1);
    std::memcpy(jpg.m_pBits, pic24.m_pBits, static_cast<std::size_t>(pic24.m_nRowBytes) * kHeight);
    jpg.m_nQuality = 75;
    jpg.Write(jpeg);
  }
  ~Pages() {
    std::remove(gif.c_str());
    std::remove(bmp.c_str());
    std::remove(jpeg.c_str());
  }
};

const Pages& Files() {
  static Pages pages;
  return pages;
}

void BM_GifRead(benchmark::State& state) {
  const Pages& p = Files();
  for (auto _ : state) {
    CGifImageImpl gif(p.gif);
    benchmark::DoNotOptimize(gif.Read(""));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_GifRead);

void BM_GiflibDGifSlurp(benchmark::State& state) {
  const Pages& p = Files();
  for (auto _ : state) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(p.gif.c_str(), &error);
    benchmark::DoNotOptimize(DGifSlurp(gif));
    DGifCloseFile(gif, &error);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_GiflibDGifSlurp);

void BM_GifWrite(benchmark::State& state) {
  const Pages& p = Files();
  CGifImageImpl gif(p.gif);
  gif.Read("");
  const std::string out = Scratch("out.gif");
  for (auto _ : state) benchmark::DoNotOptimize(gif.Write(out));
  state.counters["bytes"] = static_cast<double>(FileBytes(out).size());
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
  std::remove(out.c_str());
}
BENCHMARK(BM_GifWrite);

void BM_GiflibEGifPutLine(benchmark::State& state) {
  const Pages& p = Files();
  const std::string out = Scratch("giflib.gif");
  GifColorType colors[256];
  for (int i = 0; i < 256; ++i) {
    colors[i] = GifColorType{p.colors[3 * i], p.colors[3 * i + 1], p.colors[3 * i + 2]};
  }
  std::vector<GifPixelType> line(kWidth);
  for (auto _ : state) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(out.c_str(), false, &error);
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr);
    for (int y = 0; y < kHeight; ++y) {
      std::memcpy(line.data(), p.indices.data() + y * kWidth, kWidth);
      EGifPutLine(gif, line.data(), kWidth);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
  }
  state.counters["bytes"] = static_cast<double>(FileBytes(out).size());
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
  std::remove(out.c_str());
}
BENCHMARK(BM_GiflibEGifPutLine);

void BM_JpegRead128Colours(benchmark::State& state) {
  const Pages& p = Files();
  for (auto _ : state) {
    CJpegImageImpl jpg(p.jpeg);
    benchmark::DoNotOptimize(jpg.Read(""));
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_JpegRead128Colours);

// The decoding djpeg -colors 128 runs: two-pass quantisation with
// Floyd-Steinberg dithering, rows into one buffer.
void BM_LibjpegDecode128Colours(benchmark::State& state) {
  const Pages& p = Files();
  for (auto _ : state) {
    std::FILE* f = std::fopen(p.jpeg.c_str(), "rb");
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = 128;
    jpeg_start_decompress(&cinfo);
    std::vector<BYTE> image(static_cast<std::size_t>(cinfo.output_width) * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = image.data() + cinfo.output_scanline * cinfo.output_width;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    benchmark::DoNotOptimize(image.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_LibjpegDecode128Colours);

void BM_BmpRead24(benchmark::State& state) {
  const Pages& p = Files();
  for (auto _ : state) {
    CBmpImageImpl bmp(p.bmp);
    benchmark::DoNotOptimize(bmp.Read(""));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(FileBytes(p.bmp).size()));
}
BENCHMARK(BM_BmpRead24);

void BM_PlainCopyOfBmpBytes(benchmark::State& state) {
  const Pages& p = Files();
  const std::size_t size = FileBytes(p.bmp).size();
  for (auto _ : state) {
    std::FILE* f = std::fopen(p.bmp.c_str(), "rb");
    std::vector<BYTE> bytes(size);
    benchmark::DoNotOptimize(std::fread(bytes.data(), 1, size, f));
    std::fclose(f);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(size));
}
BENCHMARK(BM_PlainCopyOfBmpBytes);

}  // namespace

BENCHMARK_MAIN();
