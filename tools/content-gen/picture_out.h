// Pictures of the content set: cairo drawing mapped to a palette and written as
// 8-bit palette PNG files, padded to an exact byte size where one is asked for.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/content-gen/sources.h"

namespace content {

// The full palette of a picture: the named colours, then for each colour
// shades towards the ink, which smoothed edges map to.
std::vector<Rgb> ExpandPalette(const Palette& palette, int shades = 2);

// An ARGB drawing surface, white and opaque to begin with.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  cairo_t* cr() const { return cr_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Each pixel's nearest palette entry, rows from the top. With neutralOnly,
  // only the palette's white, greys and ink are taken, so that a line
  // drawing's smoothed edges never pick up a colour.
  std::vector<std::uint8_t> MapTo(const std::vector<Rgb>& palette, bool neutralOnly = false) const;

 private:
  int width_, height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

// Writes an 8-bit palette PNG through the program's own picture writer.
bool WritePalettePng(const std::string& path, int width, int height,
                     const std::vector<std::uint8_t>& pixels, const std::vector<Rgb>& palette,
                     std::string* error);

// Writes an 8-bit palette PNG as small as it can: only the colours it uses in
// its palette, the strongest compression, the smaller of a few encodings.
bool WriteCompactPalettePng(const std::string& path, int width, int height,
                            const std::vector<std::uint8_t>& pixels,
                            const std::vector<Rgb>& palette, std::string* error);

// Inserts an ancillary chunk before IEND so that the file has exactly size
// bytes. Fails when the file is larger, or closer to size than a chunk's 12
// bytes of framing.
bool PadPngToSize(const std::string& path, long size, std::string* error);

// A picture that must have an exact byte size, drawn at a detail level.
struct SizedPicture {
  std::string path;
  long size;
  std::function<std::vector<std::uint8_t>(int level)> draw;
};

// Draws every picture of the set with level 0, 1, ... (each simpler than the
// last) until all of them, written, fit their sizes, then pads each to exactly
// its size. One level for the whole set keeps pictures shown together alike.
bool WriteSizedPngs(const std::vector<SizedPicture>& set, int width, int height,
                    const std::vector<Rgb>& palette, int levels, std::string* error);

}  // namespace content
