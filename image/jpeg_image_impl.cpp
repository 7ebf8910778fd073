#include "image/jpeg_image_impl.h"

#include <cstring>

#include "image/bmp_io.h"
#include "image/jpeg_codec.h"

static_assert(jpegfmt::kMaxSide == MAX_IMAGE_SIDE);
static_assert(jpegfmt::kMaxOutputBytes == static_cast<std::int64_t>(MAX_DIB_BYTES));

namespace {

// No JPEG file of a picture the library can hold comes near this.
constexpr std::uint64_t kMaxFileBytes = MAX_DIB_BYTES;

}  // namespace

BOOL CJpegImageImpl::Read(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  std::vector<BYTE> data;
  if (!imageio::ReadFileBytes(m_strPath, kMaxFileBytes, data)) {
    SetImageLastError("cannot open the file");
    return 0;
  }
  const bool ok = jpegfmt::Decode(data.data(), data.size(), [this](const jpegfmt::DecodeHeader& h) {
    if (!Create(h.width, h.height, h.bytesPerPixel * 8, -1)) return jpegfmt::RowTarget{};
    if (h.bytesPerPixel == 1) {
      if (h.grey) {
        BYTE ramp[256];
        for (int i = 0; i < 256; ++i) ramp[i] = static_cast<BYTE>(i * 256 / 256);
        SetPalette(256, ramp, nullptr, nullptr);
      } else {
        SetPalette(h.colorCount, h.colors[0], h.colors[1], h.colors[2]);
      }
    }
    return jpegfmt::RowTarget{m_pBits + static_cast<std::ptrdiff_t>(m_nHeight - 1) * m_nRowBytes,
                              -static_cast<std::ptrdiff_t>(m_nRowBytes)};
  });
  if (!ok) {
    SetImageLastError("not a JPEG file that can be read");
    return 0;
  }
  return 1;
}

BOOL CJpegImageImpl::Write(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  if (!m_pDIB || m_nWidth <= 0 || m_nHeight <= 0) {
    SetImageLastError("no picture to write");
    return 0;
  }
  BYTE colors[256 * 3];
  if (m_nBitsPerPixel <= 8) imageio::IndexColors(*this, colors);
  std::vector<BYTE> bytes;
  const bool encoded = jpegfmt::Encode(
      m_nWidth, m_nHeight, m_nQuality,
      [&](int row, BYTE* rgb) {
        const int y = m_nHeight - 1 - row;  // rows in memory are bottom-up
        const BYTE* src = m_pBits + static_cast<std::ptrdiff_t>(y) * m_nRowBytes;
        if (m_nBitsPerPixel <= 8) {
          for (int x = 0; x < m_nWidth; ++x) {
            const int index = GetPixelIndex(x, y);
            std::memcpy(rgb + 3 * x, colors + 3 * (index < 0 ? 0 : index), 3);
          }
        } else if (m_nBitsPerPixel == 24 || m_nBitsPerPixel == 32) {
          const int step = m_nBitsPerPixel / 8;
          for (int x = 0; x < m_nWidth; ++x) {
            rgb[3 * x] = src[step * x + 2];
            rgb[3 * x + 1] = src[step * x + 1];
            rgb[3 * x + 2] = src[step * x];
          }
        } else {
          for (int x = 0; x < m_nWidth; ++x) {
            if (!GetPixelRGB(x, y, rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2])) {
              rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = 0;
            }
          }
        }
      },
      bytes);
  if (!encoded) {
    SetImageLastError("the JPEG library failed");
    return 0;
  }
  const auto result = imageio::WriteFileAtomically(
      m_strPath, [&](fw::ReplaceSink& file) { return file.Write(bytes.data(), bytes.size()); });
  if (result != imageio::WriteResult::kOk) {
    SetImageLastError(result == imageio::WriteResult::kCannotOpen ? "cannot create the file"
                                                                  : "cannot write the file");
    return 0;
  }
  return 1;
}
