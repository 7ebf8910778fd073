// What the picture harness does with its input, shared with the unit test
// that replays fuzz/regressions/: pictures are read through CPicture by file
// name (every extension, in any case, also the wrong one), a second file is
// read into the same handler, and what was read is drawn, written in each of
// the four formats and read back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/path_resolver.h"
#include "fuzz/image_read_fuzz.h"
#include "image/image_impl.h"
#include "image/picture.h"

namespace fuzz {

// Names a file may have: each format in a few spellings, and names the
// library does not read.
inline const std::vector<std::string>& PictureExtensions() {
  static const std::vector<std::string> names = {"bmp", "BMP", "gif", "Gif", "jpg", "JPG",
                                                 "png", "PNG", "xpm", "txt", ""};
  return names;
}

inline void PutFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

inline void DrawPicture(CPicture& picture) {
  if (CImageImpl* image = picture.GetImpl()) UseImage(*image);
}

// Writes the picture as a file of type (a copy of its pixels and colours in
// that format's handler) and reads it back through CPicture.
inline void WriteAndReadBack(CPicture& picture, const std::string& folder, int type,
                             const char* extension) {
  CImageImpl* from = picture.GetImpl();
  const std::string path = folder + "/out." + extension;
  CPicture copy;
  int made = type;
  if (!copy.CreateImpl(path, made) || !copy.GetImpl()) return;
  CImageImpl* to = copy.GetImpl();
  if (!to->Create(from->m_nWidth, from->m_nHeight, from->m_nBitsPerPixel, from->m_nColorType)) {
    return;
  }
  if (to->m_nRowBytes != from->m_nRowBytes) return;
  std::copy(from->m_pBits,
            from->m_pBits + static_cast<std::size_t>(from->m_nRowBytes) * from->m_nHeight,
            to->m_pBits);
  if (from->imagePalette) {
    const int count = from->imagePalette->GetEntryCount();
    std::vector<BYTE> rgb(static_cast<std::size_t>(count) * 3 + 3);
    for (int i = 0; i < count; ++i) {
      GetPaletteEntryRGB(from->imagePalette, i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    to->SetPalette(count, rgb.data());
  }
  to->m_nTransparent = from->m_nTransparent;
  if (to->Write(path)) {
    CPicture back(path, IMAGE_UNKNOWN);
    DrawPicture(back);
  }
  std::remove(path.c_str());
}

// The harness's work on one input, with its files in folder: the first two
// bytes choose the names' extensions, the rest is split into two files.
inline void ExercisePictures(const std::uint8_t* data, std::size_t size,
                             const std::string& folder) {
  if (size < 2) return;
  const auto& names = PictureExtensions();
  const std::string first = names[data[0] % names.size()];
  const std::string second = names[data[1] % names.size()];
  data += 2;
  size -= 2;
  const std::size_t half = size / 2;
  const std::string a = folder + "/a." + first, b = folder + "/b." + first;
  const std::string c = folder + "/c." + second;
  PutFile(a, data, size);
  PutFile(b, data + half, size - half);
  PutFile(c, data, half);

  CPicture picture(a, IMAGE_UNKNOWN);
  DrawPicture(picture);
  // The same handler reads a second file, then a file of the other name.
  picture.Load(b, IMAGE_UNKNOWN);
  DrawPicture(picture);
  picture.Load(c, IMAGE_UNKNOWN);
  DrawPicture(picture);
  picture.Load(a, IMAGE_UNKNOWN);
  if (picture.IsValid() && static_cast<long>(picture.GetWidth()) * picture.GetHeight() <= 16384) {
    WriteAndReadBack(picture, folder, IMAGE_BMP, "bmp");
    WriteAndReadBack(picture, folder, IMAGE_GIF, "gif");
    WriteAndReadBack(picture, folder, IMAGE_JPG, "jpg");
    WriteAndReadBack(picture, folder, IMAGE_PNG, "png");
  }
  for (const std::string& path : {a, b, c}) std::remove(path.c_str());
  // The resolver's log and listings would grow with every input and make
  // each one look like a leak to the fuzzer's leak check.
  fw::ResetPathQueryLog();
  fw::ClearPathCache();
}

}  // namespace fuzz
