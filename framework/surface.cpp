#include "framework/surface.h"

#include <cstdlib>
#include <cstring>

namespace fw {

namespace {
constexpr int kMaxSide = 16384;
}

Surface::Surface(int w, int h) { Resize(w, h); }

Surface::~Surface() {
  if (image) pixman_image_unref(image);
  std::free(pixels);
}

bool Surface::Resize(int w, int h) {
  if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide) return false;
  if (image) pixman_image_unref(image);
  std::free(pixels);
  image = nullptr;
  pixels = nullptr;
  width = w;
  height = h;
  stride = (w > 0 ? w : 1) * 4;
  std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(h > 0 ? h : 1);
  pixels = static_cast<std::uint32_t*>(std::calloc(1, bytes));
  if (!pixels) {
    width = height = stride = 0;
    return false;
  }
  image = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, pixels, stride);
  return image != nullptr;
}

}  // namespace fw
