#include "tools/content-gen/picture_out.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "image/image_impl.h"
#include "image/picture.h"

namespace content {

std::vector<Rgb> ExpandPalette(const Palette& palette, int shades) {
  std::vector<Rgb> out;
  for (const auto& c : palette.colours) out.push_back(c.rgb);
  const Rgb ink = palette.colours[1].rgb;
  for (std::size_t i = 0; i < palette.colours.size(); ++i) {
    if (i == 1) continue;
    const Rgb c = palette.colours[i].rgb;
    for (int t = 1; t <= shades; ++t) {
      const int n = shades + 1;
      auto mix = [&](int a, int b) { return std::uint8_t((a * (n - t) + b * t + n / 2) / n); };
      out.push_back(Rgb{mix(c.r, ink.r), mix(c.g, ink.g), mix(c.b, ink.b)});
    }
  }
  return out;
}

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cr_ = cairo_create(surface_);
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_paint(cr_);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

bool IsNeutral(const Rgb& c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) <= 24; }

std::vector<std::uint8_t> Canvas::MapTo(const std::vector<Rgb>& palette, bool neutralOnly) const {
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  std::vector<std::uint8_t> out(std::size_t(width_) * height_);
  std::unordered_map<std::uint32_t, std::uint8_t> nearest;
  for (int y = 0; y < height_; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
    for (int x = 0; x < width_; ++x) {
      // The surface is opaque (painted white first), so the premultiplied
      // components are the colour.
      const std::uint32_t px = row[x] & 0xFFFFFF;
      auto it = nearest.find(px);
      if (it == nearest.end()) {
        const int r = (px >> 16) & 255, g = (px >> 8) & 255, b = px & 255;
        int best = 0;
        long bestD = -1;
        for (std::size_t i = 0; i < palette.size(); ++i) {
          if (neutralOnly && !IsNeutral(palette[i])) continue;
          const long dr = r - palette[i].r, dg = g - palette[i].g, db = b - palette[i].b;
          const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
          if (bestD < 0 || d < bestD) {
            bestD = d;
            best = int(i);
          }
        }
        it = nearest.emplace(px, std::uint8_t(best)).first;
      }
      out[std::size_t(y) * width_ + x] = it->second;
    }
  }
  return out;
}

bool WritePalettePng(const std::string& path, int width, int height,
                     const std::vector<std::uint8_t>& pixels, const std::vector<Rgb>& palette,
                     std::string* error) {
  if (palette.empty() || palette.size() > 256 || width <= 0 || height <= 0 ||
      pixels.size() != std::size_t(width) * std::size_t(height)) {
    *error = path + ": the picture does not match its palette or size";
    return false;
  }
  CPicture picture;
  int type = IMAGE_PNG;
  if (!picture.CreateImpl(path, type) || !picture.GetImpl()) {
    *error = path + ": no PNG writer";
    return false;
  }
  picture.m_nType = IMAGE_PNG;
  picture.m_strFileName = path;
  if (!picture.Create(width, height, 8, 3)) {
    *error = path + ": out of memory";
    return false;
  }
  std::vector<BYTE> triples;
  for (const Rgb& c : palette) triples.insert(triples.end(), {c.r, c.g, c.b});
  if (!picture.SetPalette(int(palette.size()), triples.data())) {
    *error = path + ": the palette cannot be set";
    return false;
  }
  // The picture's rows run bottom-up, each padded to four bytes.
  BYTE* bits = picture.GetBits();
  const int rowBytes = picture.GetRowBytes();
  for (int y = 0; y < height; ++y)
    std::memcpy(bits + std::size_t(height - 1 - y) * rowBytes,
                pixels.data() + std::size_t(y) * width, std::size_t(width));
  if (!picture.GetImpl()->Write(path)) {
    *error = path + ": the PNG writer failed";
    return false;
  }
  return true;
}

bool PadPngToSize(const std::string& path, long size, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  static const unsigned char kIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  if (bytes.size() < 20 || !std::equal(kIend, kIend + 12, bytes.end() - 12)) {
    *error = path + ": not a PNG file that ends in IEND";
    return false;
  }
  const long have = long(bytes.size());
  if (have == size) return true;
  if (have + 12 > size) {
    *error =
        path + ": " + std::to_string(have) + " bytes, cannot be padded to " + std::to_string(size);
    return false;
  }
  const std::uint32_t length = std::uint32_t(size - have - 12);
  // "paDd": ancillary, private, safe to copy; readers skip it.
  std::vector<unsigned char> chunk = {std::uint8_t(length >> 24),
                                      std::uint8_t(length >> 16),
                                      std::uint8_t(length >> 8),
                                      std::uint8_t(length),
                                      'p',
                                      'a',
                                      'D',
                                      'd'};
  chunk.resize(8 + length, 0);
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), chunk.data() + 4, 4 + length);
  for (int s = 24; s >= 0; s -= 8) chunk.push_back(std::uint8_t(crc >> s));
  bytes.insert(bytes.end() - 12, chunk.begin(), chunk.end());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out.flush()) {
    *error = path + ": cannot be written";
    return false;
  }
  return true;
}

namespace {

struct PngBuffer {
  std::string bytes;
};

void AppendToBuffer(png_structp png, png_bytep data, png_size_t length) {
  static_cast<PngBuffer*>(png_get_io_ptr(png))->bytes.append(reinterpret_cast<char*>(data), length);
}

void NoFlush(png_structp) {}

// One libpng encoding with the given row filters and zlib strategy; false on
// a libpng error. Nothing here has a destructor that longjmp would skip.
bool EncodeOnce(png_structp png, png_infop info, int width, int height,
                const std::vector<png_color>& colours, const std::vector<png_bytep>& rows,
                int filters, int strategy, PngBuffer* out) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_write_fn(png, out, AppendToBuffer, NoFlush);
  png_set_compression_level(png, Z_BEST_COMPRESSION);
  png_set_compression_mem_level(png, 9);
  png_set_compression_strategy(png, strategy);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_set_PLTE(png, info, colours.data(), int(colours.size()));
  png_write_info(png, info);
  png_write_image(png, const_cast<png_bytepp>(rows.data()));
  png_write_end(png, info);
  return true;
}

}  // namespace

bool WriteCompactPalettePng(const std::string& path, int width, int height,
                            const std::vector<std::uint8_t>& pixels,
                            const std::vector<Rgb>& palette, std::string* error) {
  if (palette.empty() || palette.size() > 256 || width <= 0 || height <= 0 ||
      pixels.size() != std::size_t(width) * std::size_t(height)) {
    *error = path + ": the picture does not match its palette or size";
    return false;
  }
  // The palette keeps the colours the picture uses, in the palette's order.
  std::vector<int> newIndex(palette.size(), -1);
  for (std::uint8_t p : pixels) {
    if (p >= palette.size()) {
      *error = path + ": a pixel outside the palette";
      return false;
    }
    newIndex[p] = 0;
  }
  std::vector<png_color> colours;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    if (newIndex[i] < 0) continue;
    newIndex[i] = int(colours.size());
    colours.push_back(png_color{palette[i].r, palette[i].g, palette[i].b});
  }
  std::vector<std::uint8_t> mapped(pixels.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) mapped[i] = std::uint8_t(newIndex[pixels[i]]);
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[std::size_t(y)] = mapped.data() + std::size_t(y) * width;
  // The smallest of a few filter and strategy choices; each is deterministic.
  std::string best;
  for (int filters : {PNG_FILTER_NONE, PNG_ALL_FILTERS}) {
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
      png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
      png_infop info = png ? png_create_info_struct(png) : nullptr;
      PngBuffer out;
      const bool ok =
          info && EncodeOnce(png, info, width, height, colours, rows, filters, strategy, &out);
      png_destroy_write_struct(&png, info ? &info : nullptr);
      if (!ok) {
        *error = path + ": the PNG encoder failed";
        return false;
      }
      if (best.empty() || out.bytes.size() < best.size()) best = std::move(out.bytes);
    }
  }
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(best.data(), std::streamsize(best.size()));
  if (!f.flush()) {
    *error = path + ": cannot be written";
    return false;
  }
  return true;
}

bool WriteSizedPngs(const std::vector<SizedPicture>& set, int width, int height,
                    const std::vector<Rgb>& palette, int levels, std::string* error) {
  std::string misfit;
  for (int level = 0; level < levels; ++level) {
    bool fits = true;
    for (const auto& pic : set) {
      if (!WriteCompactPalettePng(pic.path, width, height, pic.draw(level), palette, error))
        return false;
      std::error_code ec;
      const long have = long(std::filesystem::file_size(pic.path, ec));
      if (ec) {
        *error = pic.path + ": cannot be measured";
        return false;
      }
      if (have != pic.size && have + 12 > pic.size) {
        fits = false;
        misfit = pic.path + ": even the simplest picture takes " + std::to_string(have) +
                 " bytes, more than the " + std::to_string(pic.size) + " it must have";
        break;
      }
    }
    if (!fits) continue;
    for (const auto& pic : set)
      if (!PadPngToSize(pic.path, pic.size, error)) return false;
    return true;
  }
  *error = misfit;
  return false;
}

}  // namespace content
