// What every picture reader's fuzz harness does with its input: reads the
// bytes as a file of its format, then uses what was read the way the book
// does: every pixel, a draw through its palette (also with a transparent
// index), and writing it again and reading that back.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/dc.h"
#include "framework/path_resolver.h"
#include "image/image_impl.h"

namespace fuzz {

inline std::string Scratch(const std::string& name) {
  // A folder of its own, so that finding the file lists only these few.
  static const std::string dir = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string d = std::string(base) + "/pippalee-fuzz-" + std::to_string(getpid());
    mkdir(d.c_str(), 0700);
    return d;
  }();
  return dir + "/" + name;
}

// Every pixel's colour, and a draw of the picture onto a small surface, as it
// is and stretched small with a transparent index (the picture's own index is
// kept).
inline void UseImage(CImageImpl& image) {
  if (!image.m_pDIB) return;
  unsigned sum = 0;
  // A few hundred pixels each way, whatever the size, so that the
  // harness's own reading costs little beside the reader's.
  const int stepY = 7 + image.m_nHeight / 256, stepX = 3 + image.m_nWidth / 256;
  for (int y = 0; y < image.m_nHeight; y += stepY) {
    for (int x = 0; x < image.m_nWidth; x += stepX) {
      BYTE r = 0, g = 0, b = 0;
      image.GetPixelRGB(x, y, r, g, b);
      sum += r + g + b;
    }
  }
  (void)sum;
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(mem, 48, 48);
  SelectObject(mem, bitmap);
  CDC dc;
  dc.Attach(mem);
  dc.SelectPalette(image.GetPalette(), TRUE);
  image.Draw(&dc, -3, 2);
  const int transparent = image.m_nTransparent;
  if (image.m_nTransparent < 0) image.m_nTransparent = 0;
  image.StretchDraw(&dc, 1, 1, 40, 30);
  image.m_nTransparent = transparent;
  dc.Detach();
  DeleteDC(mem);
  DeleteObject(bitmap);
}

template <class Handler>
int ReadAndUse(const std::uint8_t* data, std::size_t size, const std::string& extension) {
  const std::string in = Scratch("in." + extension);
  std::FILE* f = std::fopen(in.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  Handler image(in);
  image.Read("");
  if (image.m_pDIB) {
    UseImage(image);
    if (static_cast<long>(image.m_nWidth) * image.m_nHeight <= 4096) {
      const std::string out = Scratch("out." + extension);
      if (image.Write(out)) {
        Handler back(out);
        back.Read("");
      }
      std::remove(out.c_str());
    }
  }
  std::remove(in.c_str());
  // The resolver's log and listings would grow with every input and make
  // each one look like a leak to the fuzzer's leak check.
  fw::ResetPathQueryLog();
  fw::ClearPathCache();
  return 0;
}

}  // namespace fuzz
