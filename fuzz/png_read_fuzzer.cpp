// Reads arbitrary bytes as a PNG file, then uses what was read the way the
// book does: every pixel, a draw through its palette, and writing it again.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/dc.h"
#include "framework/path_resolver.h"
#include "image/png_image_impl.h"

namespace {

std::string Scratch(const char* name) {
  // A folder of its own, so that finding the file lists only these two.
  static const std::string dir = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string d = std::string(base) + "/pippalee-fuzz-" + std::to_string(getpid());
    mkdir(d.c_str(), 0700);
    return d;
  }();
  return dir + "/" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string in = Scratch("in.png");
  std::FILE* f = std::fopen(in.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  CPngImageImpl image(in);
  image.Read("");
  if (image.m_pDIB) {
    unsigned sum = 0;
    for (int y = 0; y < image.m_nHeight; y += 7) {
      for (int x = 0; x < image.m_nWidth; x += 3) {
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
    image.m_nTransparent = 0;
    image.StretchDraw(&dc, 1, 1, 40, 30);
    dc.Detach();
    DeleteDC(mem);
    DeleteObject(bitmap);
    if (static_cast<long>(image.m_nWidth) * image.m_nHeight <= 4096) {
      const std::string out = Scratch("out.png");
      if (image.Write(out)) {
        CPngImageImpl back(out);
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
