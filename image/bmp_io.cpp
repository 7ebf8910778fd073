#include "image/bmp_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "framework/file.h"
#include "framework/path_resolver.h"
#include "image/image_impl.h"

namespace imageio {

bool ReadFileBytes(const std::string& path, std::uint64_t limit, std::vector<BYTE>& out) {
  out.clear();
  if (path.empty()) return false;
  try {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone)) return false;
    const std::uint64_t length = std::min<std::uint64_t>(file.GetLength(), limit);
    out.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < out.size()) {
      const std::size_t piece = std::min<std::size_t>(out.size() - done, 1u << 24);
      const UINT got = file.Read(out.data() + done, static_cast<UINT>(piece));
      if (got == 0) break;  // the file became shorter meanwhile
      done += got;
    }
    out.resize(done);
    return true;
  } catch (const std::exception&) {
    out.clear();
    return false;
  }
}

WriteResult WriteFileAtomically(const std::string& path,
                                const std::function<bool(fw::ReplaceSink&)>& write) {
  if (path.empty()) return WriteResult::kCannotOpen;
  const std::string target = fw::ResolvePath(path);
  if (target.empty()) return WriteResult::kCannotOpen;
  switch (fw::ReplaceFile(target, write)) {
    case 0:
      return WriteResult::kOk;
    case ECANCELED:
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EIO:
    case ENOMEM:
      return WriteResult::kWriteError;
    default:
      return WriteResult::kCannotOpen;
  }
}

void IndexColors(const CImageImpl& image, BYTE rgb[256 * 3]) {
  std::memset(rgb, 0, 256 * 3);
  if (image.imagePalette) {
    for (int i = 0; i < 256; ++i) {
      GetPaletteEntryRGB(image.imagePalette, i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    return;
  }
  if (!image.m_pDIB) return;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(image.m_pDIB);
  const auto* table = reinterpret_cast<const RGBQUAD*>(image.m_pDIB + h->biSize);
  const int n = DibColorCount(h);
  for (int i = 0; i < n && h->biBitCount <= 8; ++i) {
    rgb[3 * i] = table[i].rgbRed;
    rgb[3 * i + 1] = table[i].rgbGreen;
    rgb[3 * i + 2] = table[i].rgbBlue;
  }
}

}  // namespace imageio
