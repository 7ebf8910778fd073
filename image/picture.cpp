#include "image/picture.h"

#include <strings.h>

#include <new>

#include "framework/dc.h"
#include "image/bmp_image_impl.h"
#include "image/gif_image_impl.h"
#include "image/image_impl.h"
#include "image/jpeg_image_impl.h"
#include "image/png_image_impl.h"

namespace {

struct ExtensionRow {
  const char* name;
  int type;
};
// Sorted by name for the binary search.
constexpr ExtensionRow kExtensions[] = {{"BMP", IMAGE_BMP},
                                        {"GIF", IMAGE_GIF},
                                        {"JPG", IMAGE_JPG},
                                        {"PNG", IMAGE_PNG},
                                        {"XPM", IMAGE_XPM}};

}  // namespace

std::string FindExtension(const std::string& name) {
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return std::string();
  return name.substr(dot + 1);
}

int LookupImageType(const std::string& extension) {
  int low = 0, high = static_cast<int>(std::size(kExtensions));
  while (low < high) {
    const int middle = (low + high) / 2;
    const int c = strcasecmp(kExtensions[middle].name, extension.c_str());
    if (c == 0) return kExtensions[middle].type;
    if (c > 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return IMAGE_UNKNOWN;
}

CPicture::CPicture(const std::string& name, int type) { Load(name, type); }

CPicture::CPicture() = default;

CPicture::~CPicture() { delete m_pImpl; }

BOOL CPicture::Load(const std::string& name, int type) {
  const int oldType = m_nType;
  m_strFileName = name;
  if (type == IMAGE_UNKNOWN) type = LookupImageType(FindExtension(name));
  m_nType = type;
  if (!m_pImpl || type != oldType) {
    if (!CreateImpl(m_strFileName, type)) return 0;
  }
  if (!m_pImpl) return 0;
  return m_pImpl->Read(m_strFileName);
}

BOOL CPicture::CreateImpl(const std::string& name, int& type) {
  delete m_pImpl;
  m_pImpl = nullptr;
  switch (type) {
    case IMAGE_BMP:
      m_pImpl = new (std::nothrow) CBmpImageImpl(name);
      return 1;
    case IMAGE_JPG:
      m_pImpl = new (std::nothrow) CJpegImageImpl(name);
      return 1;
    case IMAGE_GIF:
      m_pImpl = new (std::nothrow) CGifImageImpl(name);
      return 1;
    case IMAGE_PNG:
      m_pImpl = new (std::nothrow) CPngImageImpl(name);
      return 1;
    default:
      return 0;
  }
}

int CPicture::Create(int width, int height, int bitsPerPixel, int colorType) {
  if (!m_pImpl) {
    int type = IMAGE_BMP;
    CreateImpl(std::string(), type);
    m_nType = IMAGE_BMP;
    m_strFileName.clear();
    if (!m_pImpl) return 0;
  }
  return m_pImpl->Create(width, height, bitsPerPixel, colorType);
}

// Without a handler a picture is empty: every question has the empty answer.
int CPicture::GetRowBytes() { return m_pImpl ? m_pImpl->m_nRowBytes : 0; }
int CPicture::GetWidth() { return m_pImpl ? m_pImpl->m_nWidth : 0; }
int CPicture::GetHeight() { return m_pImpl ? m_pImpl->m_nHeight : 0; }
int CPicture::GetBitsPerPixel() { return m_pImpl ? m_pImpl->m_nBitsPerPixel : 0; }
int CPicture::GetColorType() { return m_pImpl ? m_pImpl->m_nColorType : 0; }
BYTE* CPicture::GetBits() { return m_pImpl ? m_pImpl->m_pBits : nullptr; }
CPalette* CPicture::GetPalette() { return m_pImpl ? m_pImpl->imagePalette : nullptr; }
CImageImpl* CPicture::GetImpl() { return m_pImpl; }
BOOL CPicture::IsValid() { return (m_pImpl && m_pImpl->m_pDIB) ? 1 : 0; }

BOOL CPicture::IsInside(int x, int y) { return m_pImpl ? m_pImpl->IsInside(x, y) : 0; }
int CPicture::GetPixelIndex(int x, int y) { return m_pImpl ? m_pImpl->GetPixelIndex(x, y) : -1; }
BOOL CPicture::GetPixelRGB(int x, int y, BYTE& red, BYTE& green, BYTE& blue) {
  return m_pImpl ? m_pImpl->GetPixelRGB(x, y, red, green, blue) : 0;
}
BOOL CPicture::SetPixelIndex(int x, int y, int index) {
  return m_pImpl ? m_pImpl->SetPixelIndex(x, y, static_cast<BYTE>(index)) : 0;
}
BOOL CPicture::SetPixelRGB(int x, int y, BYTE red, BYTE green, BYTE blue) {
  return m_pImpl ? m_pImpl->SetPixelRGB(x, y, red, green, blue) : 0;
}

BOOL CPicture::SetPalette(int count, const BYTE* red, const BYTE* green, const BYTE* blue) {
  return m_pImpl ? m_pImpl->SetPalette(count, red, green, blue) : 0;
}
BOOL CPicture::SetPalette(int count, const BYTE* rgbTriples) {
  return m_pImpl ? m_pImpl->SetPalette(count, rgbTriples) : 0;
}
BOOL CPicture::SetPalette(CPalette* palette) {
  if (!m_pImpl) {
    delete palette;  // the picture was given it to own
    return 0;
  }
  return m_pImpl->SetPalette(palette);
}

BOOL CPicture::Draw(CDC* dc, int x, int y, int width, int height, int xSrc, int ySrc) {
  return m_pImpl ? m_pImpl->Draw(dc, x, y, width, height, xSrc, ySrc) : 0;
}
BOOL CPicture::StretchDraw(CDC* dc, int x, int y, int width, int height, int xSrc, int ySrc,
                           int srcWidth, int srcHeight) {
  return m_pImpl ? m_pImpl->StretchDraw(dc, x, y, width, height, xSrc, ySrc, srcWidth, srcHeight)
                 : 0;
}
