#include "image/gif_image_impl.h"

#include "framework/file.h"
#include "framework/msgbox.h"
#include "image/bmp_io.h"
#include "image/gif_codec.h"

static_assert(giffmt::kMaxPixels * 4 <= static_cast<std::int64_t>(MAX_DIB_BYTES));

BOOL CGifImageImpl::Read(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  // Transparency belongs to the file being read, never to an earlier one.
  m_nTransparent = -1;
  CFile file;
  if (m_strPath.empty() ||
      !file.Open(m_strPath, CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone)) {
    SetImageLastError("cannot open the file");
    return 0;
  }
  giffmt::GifReader reader([&file](BYTE* buffer, std::size_t count) -> std::size_t {
    try {
      return file.Read(buffer, static_cast<UINT>(count));
    } catch (const std::exception&) {
      return 0;  // a read error ends the data like the file's end
    }
  });
  if (!reader.ReadHeader()) {
    SetImageLastError("not a GIF file");
    return 0;
  }
  // Only the first image is read; the ones after it would be frames of an
  // animation, drawn over it.
  giffmt::ImageInfo info;
  if (!reader.NextImage(info)) {
    SetImageLastError("the file holds no image");
    return 0;
  }
  if (info.width <= 0 || info.height <= 0 || info.width > MAX_IMAGE_SIDE ||
      info.height > MAX_IMAGE_SIDE ||
      static_cast<std::int64_t>(info.width) * info.height > giffmt::kMaxPixels) {
    SetImageLastError("image size out of range");
    return 0;
  }
  if (!Create(info.width, info.height, 8, -1)) {
    SetImageLastError("out of memory");
    return 0;
  }
  m_nTransparent = info.transparent;
  if (info.hasTable) {
    BYTE red[256], green[256], blue[256];
    bool white = false;
    for (int i = 0; i < info.colorCount; ++i) {
      red[i] = info.colors[3 * i];
      green[i] = info.colors[3 * i + 1];
      blue[i] = info.colors[3 * i + 2];
      if (red[i] == 255 && green[i] == 255 && blue[i] == 255) white = true;
    }
    if (m_nTransparent < 0) {
      SetPalette(info.colorCount, red, green, blue);
    } else {
      // The masked drawing needs a black and a white entry: unused entries
      // become white, the transparent one black.
      for (int i = info.colorCount; i < 256; ++i) red[i] = green[i] = blue[i] = 255;
      if (!white) red[255] = green[255] = blue[255] = 255;
      red[m_nTransparent] = green[m_nTransparent] = blue[m_nTransparent] = 0;
      SetPalette(256, red, green, blue);
    }
  }
  reader.SetTarget(m_pBits + static_cast<std::ptrdiff_t>(m_nHeight - 1) * m_nRowBytes, m_nRowBytes,
                   m_nWidth, m_nHeight, info.interlaced);
  int badCodes = 0;
  // Damaged data ends the decoding; what was decoded stays, the rest is zero.
  reader.LzwDecode(m_nWidth, badCodes);
  return 1;
}

BOOL CGifImageImpl::Write(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  if (m_nBitsPerPixel > 8) {
    AfxMessageBox("GIF Images must be 8 bit or less", MB_OK);
    SetImageLastError("GIF images must be 8 bit or less");
    return 0;
  }
  if (!m_pDIB || (m_nBitsPerPixel != 1 && m_nBitsPerPixel != 2 && m_nBitsPerPixel != 4 &&
                  m_nBitsPerPixel != 8)) {
    SetImageLastError("no picture to write");
    return 0;
  }
  BYTE colors[256 * 3];
  imageio::IndexColors(*this, colors);
  std::vector<BYTE> bytes;
  giffmt::GifWriter writer;
  writer.Encode({m_pBits, m_nRowBytes, m_nWidth, m_nHeight, m_nBitsPerPixel}, colors, bytes);
  const auto result = imageio::WriteFileAtomically(
      m_strPath, [&](fw::ReplaceSink& file) { return file.Write(bytes.data(), bytes.size()); });
  if (result == imageio::WriteResult::kCannotOpen) {
    AfxMessageBox("Can't open GIF for writing", MB_OK);
    SetImageLastError("cannot create the file");
    return 0;
  }
  if (result != imageio::WriteResult::kOk) {
    AfxMessageBox("Write Error in GIF file", MB_OK);
    SetImageLastError("cannot write the file");
    return 0;
  }
  return 1;
}
