// Writes the program's own icon as the PNG icons a desktop shows in its menus:
// OUTDIR/<n>x<n>/apps/pippalee.png for each size the icon theme asks for.
// Larger sizes repeat each pixel of the drawing; smaller ones average the
// pixels each icon pixel covers, so the drawing stays the same everywhere.
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "resources/icon_pictures.h"

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The drawing scaled to size x size, premultiplied ARGB as cairo keeps it.
std::vector<std::uint32_t> Scaled(const fw::IconImage& icon, int size) {
  const int from = icon.width;
  std::vector<std::uint32_t> out(static_cast<size_t>(size) * static_cast<size_t>(size));
  // In units where a drawing pixel is `size` wide and an icon pixel `from`
  // wide, both cover the same length, so overlaps are whole numbers.
  auto overlap = [&](int src, int dst) {
    const int lo = std::max(src * size, dst * from);
    const int hi = std::min((src + 1) * size, (dst + 1) * from);
    return std::max(0, hi - lo);
  };
  const std::uint64_t area = static_cast<std::uint64_t>(from) * from;
  for (int oy = 0; oy < size; ++oy) {
    for (int ox = 0; ox < size; ++ox) {
      std::uint64_t sum[4] = {};
      const int sy0 = oy * from / size, sy1 = ((oy + 1) * from + size - 1) / size;
      const int sx0 = ox * from / size, sx1 = ((ox + 1) * from + size - 1) / size;
      for (int sy = sy0; sy < sy1; ++sy) {
        for (int sx = sx0; sx < sx1; ++sx) {
          const std::uint64_t w = static_cast<std::uint64_t>(overlap(sx, ox)) * overlap(sy, oy);
          const std::uint32_t p = icon.argb[static_cast<size_t>(sy * from + sx)];
          const std::uint32_t a = p >> 24;
          sum[0] += w * a;
          for (int c = 1; c < 4; ++c) sum[c] += w * (((p >> (24 - 8 * c)) & 0xFF) * a / 255);
        }
      }
      std::uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c)
        pixel |= static_cast<std::uint32_t>((sum[c] + area / 2) / area) << (24 - 8 * c);
      out[static_cast<size_t>(oy * size + ox)] = pixel;
    }
  }
  return out;
}

bool WritePng(const std::vector<std::uint32_t>& pixels, int size, const std::string& path) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, size);
  if (stride != size * 4) return false;
  std::vector<std::uint32_t> data = pixels;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(data.data()), CAIRO_FORMAT_ARGB32, size, size, stride);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pippalee-icons OUTDIR\n");
    return 2;
  }
  const fw::IconImage icon = resources::IconFromPicture(resources::kBookIcon, 32);
  for (int size : kSizes) {
    const std::filesystem::path dir = std::filesystem::path(argv[1]) /
                                      (std::to_string(size) + "x" + std::to_string(size)) / "apps";
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::string path = (dir / "pippalee.png").string();
    if (error || !WritePng(Scaled(icon, size), size, path)) {
      std::fprintf(stderr, "pippalee-icons: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
