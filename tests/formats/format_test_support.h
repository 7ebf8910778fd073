// Helpers for the format tests: hand-made files, temporary folders, packed
// pixels and the independent decoder used for reference pixels.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/wintypes.h"

namespace formats_test {

inline std::string TestData(const std::string& relative) {
  return std::string(PIPPALEE_TESTDATA_DIR) + "/" + relative;
}

inline std::vector<BYTE> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/pippalee-formats-XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp");
    m_path = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }
  const std::string& path() const { return m_path; }
  // Names of the files in the folder.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(m_path)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

 private:
  std::string m_path;
};

// LZW codes packed least significant bit first, as GIF stores them.
struct BitPacker {
  std::vector<BYTE> bytes;
  std::uint32_t acc = 0;
  int count = 0;
  void Put(int code, int width) {
    acc |= static_cast<std::uint32_t>(code) << count;
    count += width;
    while (count >= 8) {
      bytes.push_back(static_cast<BYTE>(acc));
      acc >>= 8;
      count -= 8;
    }
  }
  std::vector<BYTE> Bytes() const {
    std::vector<BYTE> b = bytes;
    if (count > 0) b.push_back(static_cast<BYTE>(acc));
    return b;
  }
};

// GIF files put together block by block.
struct GifBuilder {
  std::vector<BYTE> bytes;

  static void AppendSubBlocks(std::vector<BYTE>& out, const std::vector<BYTE>& data,
                              std::size_t maxLen) {
    for (std::size_t i = 0; i < data.size(); i += maxLen) {
      const std::size_t n = std::min(maxLen, data.size() - i);
      out.push_back(static_cast<BYTE>(n));
      out.insert(out.end(), data.begin() + i, data.begin() + i + n);
    }
    out.push_back(0);
  }
  void Put16(int v) {
    bytes.push_back(static_cast<BYTE>(v));
    bytes.push_back(static_cast<BYTE>(v >> 8));
  }
  // Signature, screen and global table (colors entries, a power of two).
  GifBuilder& Header(int width, int height, int colors, const char* sig = "GIF89a") {
    bytes.assign(sig, sig + 6);
    Put16(width);
    Put16(height);
    int code = 0;
    while ((2 << code) < colors) ++code;
    bytes.push_back(static_cast<BYTE>(colors > 0 ? 0x80 | code : 0));
    bytes.push_back(0);
    bytes.push_back(0);
    for (int i = 0; i < colors; ++i) {
      bytes.push_back(static_cast<BYTE>(i * 16));
      bytes.push_back(static_cast<BYTE>(255 - i * 16));
      bytes.push_back(static_cast<BYTE>(i));
    }
    return *this;
  }
  GifBuilder& Control(int transparent) {
    const BYTE b[] = {0x21,
                      0xF9,
                      4,
                      static_cast<BYTE>(transparent >= 0 ? 1 : 0),
                      0,
                      0,
                      static_cast<BYTE>(transparent >= 0 ? transparent : 0),
                      0};
    bytes.insert(bytes.end(), b, b + sizeof b);
    return *this;
  }
  // An image descriptor (with a local table of localColors entries when
  // above 0) and its data: the minimum code size and the codes.
  GifBuilder& Image(int width, int height, bool interlaced, int minCodeSize,
                    const std::vector<BYTE>& lzw, int localColors = 0) {
    bytes.push_back(0x2C);
    Put16(0);
    Put16(0);
    Put16(width);
    Put16(height);
    int code = 0;
    while ((2 << code) < localColors) ++code;
    bytes.push_back(
        static_cast<BYTE>((interlaced ? 0x40 : 0) | (localColors > 0 ? 0x80 | code : 0)));
    for (int i = 0; i < localColors; ++i) {
      bytes.push_back(static_cast<BYTE>(200 - i));
      bytes.push_back(static_cast<BYTE>(i));
      bytes.push_back(static_cast<BYTE>(100));
    }
    bytes.push_back(static_cast<BYTE>(minCodeSize));
    AppendSubBlocks(bytes, lzw, 255);
    return *this;
  }
  GifBuilder& Trailer() {
    bytes.push_back(0x3B);
    return *this;
  }
};

// Uncompressed codes for pixels: each pixel a root code, a clear code before
// the table would need to grow past the starting width.
inline std::vector<BYTE> SimpleLzw(int minCodeSize, const std::vector<int>& pixels) {
  BitPacker bits;
  const int clear = 1 << minCodeSize;
  const int width = minCodeSize + 1;
  const int room = (1 << width) - (clear + 2) - 1;
  int since = 0;
  bits.Put(clear, width);
  for (int p : pixels) {
    if (since == room) {
      bits.Put(clear, width);
      since = 0;
    }
    bits.Put(p, width);
    ++since;
  }
  bits.Put(clear + 1, width);
  return bits.Bytes();
}

inline void SetPackedPixel(BYTE* row, int x, int bits, int v) {
  if (bits == 8) {
    row[x] = static_cast<BYTE>(v);
    return;
  }
  const int perByte = 8 / bits;
  const int shift = (perByte - 1 - x % perByte) * bits;
  BYTE& b = row[x / perByte];
  b = static_cast<BYTE>((b & ~(((1 << bits) - 1) << shift)) | (v << shift));
}
inline int GetPackedPixel(const BYTE* row, int x, int bits) {
  if (bits == 8) return row[x];
  const int perByte = 8 / bits;
  const int shift = (perByte - 1 - x % perByte) * bits;
  return (row[x / perByte] >> shift) & ((1 << bits) - 1);
}

// Pixels of a file as ImageMagick decodes them: top row first, red, green,
// blue bytes. Empty when it cannot read the file.
inline std::vector<BYTE> ReferenceRgb(const std::string& path, int* width = nullptr,
                                      int* height = nullptr) {
  std::vector<BYTE> out;
  std::string cmd = "convert '" + path + "[0]' -depth 8 rgb:- 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  BYTE buf[65536];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
  pclose(p);
  if (width || height) {
    std::string id = "identify -format '%w %h' '" + path + "[0]' 2>/dev/null";
    FILE* q = popen(id.c_str(), "r");
    int w = 0, h = 0;
    if (q) {
      if (fscanf(q, "%d %d", &w, &h) != 2) w = h = 0;
      pclose(q);
    }
    if (width) *width = w;
    if (height) *height = h;
  }
  return out;
}

}  // namespace formats_test

#include "image/image_impl.h"

namespace formats_test {

// The picture's pixels through GetPixelRGB: top row first, red, green, blue.
inline std::vector<BYTE> PictureRgb(CImageImpl& image) {
  std::vector<BYTE> out;
  out.reserve(static_cast<std::size_t>(image.m_nWidth) * image.m_nHeight * 3);
  for (int y = image.m_nHeight - 1; y >= 0; --y) {
    for (int x = 0; x < image.m_nWidth; ++x) {
      BYTE r = 0, g = 0, b = 0;
      image.GetPixelRGB(x, y, r, g, b);
      out.push_back(r);
      out.push_back(g);
      out.push_back(b);
    }
  }
  return out;
}

// The largest difference of any channel, or 256 when the sizes differ.
inline int MaxDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

}  // namespace formats_test
