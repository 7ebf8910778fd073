// pippalee-image: describes a picture file or converts it to another format,
// through the book's own image library.
//   pippalee-image info FILE
//   pippalee-image convert IN OUT
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/gdi.h"
#include "image/image_impl.h"
#include "image/picture.h"

namespace {

int Fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "pippalee-image: %s: %s\n", file.c_str(), reason.c_str());
  return 1;
}

std::string Reason(const char* fallback) {
  const std::string& r = ImageLastError();
  return r.empty() ? std::string(fallback) : r;
}

// Loads name by its extension; empty reason when it is a valid picture.
std::string LoadPicture(CPicture& picture, const std::string& name) {
  if (LookupImageType(FindExtension(name)) == IMAGE_UNKNOWN ||
      LookupImageType(FindExtension(name)) == IMAGE_XPM) {
    return "unknown picture type";
  }
  SetImageLastError(std::string());
  const BOOL loaded = picture.Load(name, IMAGE_UNKNOWN);
  if (!loaded || !picture.IsValid()) return Reason("cannot read the picture");
  return std::string();
}

int Info(const std::string& name) {
  CPicture picture;
  const std::string reason = LoadPicture(picture, name);
  if (!reason.empty()) return Fail(name, reason);
  CPalette* palette = picture.GetPalette();
  std::printf(
      "type=%d width=%d height=%d bpp=%d colortype=%d rowbytes=%d palette=%d transparent=%d\n",
      picture.m_nType, picture.GetWidth(), picture.GetHeight(), picture.GetBitsPerPixel(),
      picture.GetColorType(), picture.GetRowBytes(), palette ? palette->GetEntryCount() : 0,
      picture.GetImpl()->m_nTransparent);
  return 0;
}

int Convert(const std::string& in, const std::string& out) {
  CPicture source;
  const std::string reason = LoadPicture(source, in);
  if (!reason.empty()) return Fail(in, reason);
  int type = LookupImageType(FindExtension(out));
  CPicture target;
  if (type == IMAGE_XPM || !target.CreateImpl(out, type) || !target.GetImpl()) {
    return Fail(out, "unknown picture type");
  }
  target.m_nType = type;
  target.m_strFileName = out;
  CImageImpl* from = source.GetImpl();
  CImageImpl* to = target.GetImpl();
  if (!to->Create(from->m_nWidth, from->m_nHeight, from->m_nBitsPerPixel, from->m_nColorType)) {
    return Fail(out, "out of memory");
  }
  // The same header, colour table and rows.
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(from->m_pDIB);
  const std::size_t bytes = static_cast<std::size_t>(from->m_pBits - from->m_pDIB) +
                            static_cast<std::size_t>(from->m_nRowBytes) * from->m_nHeight;
  if (to->m_pBits - to->m_pDIB != from->m_pBits - from->m_pDIB || header->biSize != 40) {
    return Fail(in, "unsupported bitmap layout");
  }
  std::memcpy(to->m_pDIB, from->m_pDIB, bytes);
  to->m_nColorType = from->m_nColorType;
  to->m_nTransparent = from->m_nTransparent;
  if (CPalette* p = from->imagePalette) {
    auto* copy = new CPalette;
    const int n = p->GetEntryCount();
    std::string block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (n > 0 ? n : 1), '\0');
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(n);
    p->GetPaletteEntries(0, static_cast<UINT>(n), log->palPalEntry);
    if (n > 0) copy->CreatePalette(log);
    to->SetPalette(copy);
  }
  SetImageLastError(std::string());
  if (!to->Write(out)) return Fail(out, Reason("cannot write the picture"));
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: pippalee-image info FILE\n"
               "       pippalee-image convert IN OUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "info") == 0) return Info(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "convert") == 0) return Convert(argv[2], argv[3]);
  return Usage();
}
