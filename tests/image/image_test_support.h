// Helpers of the image library's tests: a memory device context to draw on,
// pictures made in memory, and files in a temporary folder.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/dc.h"
#include "framework/gdi.h"
#include "image/image_impl.h"
#include "image/picture.h"

namespace image_test {

inline std::string Suite(const std::string& name) {
  return std::string(PIPPALEE_TESTDATA_DIR) + "/pngsuite/" + name;
}

// A bitmap of width by height in a memory device context, filled with fill.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = RGB(10, 20, 30)) {
    hdc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(hdc_, width, height);
    SelectObject(hdc_, bitmap_);
    dc.Attach(hdc_);
    dc.FillSolidRect(0, 0, width, height, fill);
  }
  ~Canvas() {
    dc.Detach();
    DeleteDC(hdc_);
    DeleteObject(bitmap_);
  }
  COLORREF At(int x, int y) { return ::GetPixel(hdc_, x, y); }

  CDC dc;

 private:
  HDC hdc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};

// A new palette of the given red-green-blue triples.
inline CPalette* MakePalette(const std::vector<COLORREF>& colours) {
  std::vector<BYTE> r, g, b;
  for (COLORREF c : colours) {
    r.push_back(static_cast<BYTE>(GetRValue(c)));
    g.push_back(static_cast<BYTE>(GetGValue(c)));
    b.push_back(static_cast<BYTE>(GetBValue(c)));
  }
  auto* p = new CPalette;
  CreatePaletteFromArrays(p, static_cast<int>(colours.size()), r.data(), g.data(), b.data());
  return p;
}

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/pippalee-image-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace image_test
