// A 32-bit pixel buffer (0x00RRGGBB), the drawing target of a top-level window
// or of a memory bitmap. Backed by a pixman image.
#pragma once

#include <pixman.h>

#include <cstdint>

namespace fw {

struct Surface {
  Surface() = default;
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Makes the buffer width by height, cleared to black; false when too large.
  bool Resize(int width, int height);

  int width = 0;
  int height = 0;
  int stride = 0;  // bytes from one row to the next
  std::uint32_t* pixels = nullptr;
  pixman_image_t* image = nullptr;

  std::uint32_t Pixel(int x, int y) const { return pixels[y * (stride / 4) + x] & 0xFFFFFF; }
};

}  // namespace fw
