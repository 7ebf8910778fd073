#include "image/bmp_image_impl.h"

#include <cstring>
#include <new>

#include "framework/globalmem.h"
#include "image/bmp_decode.h"
#include "image/bmp_io.h"

static_assert(bmpfmt::kMaxSide == MAX_IMAGE_SIDE);
static_assert(bmpfmt::kMaxImageBytes == MAX_DIB_BYTES);

namespace {

// A run-length file may take about twice the bytes of its pixels; nothing
// longer is read.
constexpr std::uint64_t kMaxFileBytes = 2 * MAX_DIB_BYTES + (1 << 20);

BYTE* LockedBlock(std::size_t bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!block) return nullptr;
  auto* p = static_cast<BYTE*>(GlobalLock(block));
  if (!p) GlobalFree(block);
  return p;
}

}  // namespace

BYTE* CBmpImageImpl::ReadDIBHeader(CFile& file) {
  try {
    const ULONGLONG start = file.GetPosition();
    const ULONGLONG length = file.GetLength();
    if (start >= length) return nullptr;
    // Enough for the longest header, the masks and 256 four-byte entries.
    std::vector<BYTE> head(static_cast<std::size_t>(std::min<ULONGLONG>(length - start, 4096)));
    head.resize(file.Read(head.data(), static_cast<UINT>(head.size())));
    bmpfmt::Layout layout;
    if (!bmpfmt::ParseHeaders(head.data(), head.size(), layout, length - start)) return nullptr;
    BYTE* block = LockedBlock(40 + layout.colorTable.size());
    if (!block) return nullptr;
    bmpfmt::BuildHeader(layout, block);
    file.Seek(static_cast<LONGLONG>(start + layout.bitsOffset), CFile::begin);
    return block;
  } catch (const std::exception&) {
    return nullptr;
  }
}

BYTE* CBmpImageImpl::ReadDIBFile(const std::string& name) {
  std::vector<BYTE> data;
  if (!imageio::ReadFileBytes(name, kMaxFileBytes, data)) {
    SetImageLastError("cannot open the file");
    return nullptr;
  }
  bmpfmt::Layout layout;
  if (!bmpfmt::ParseHeaders(data.data(), data.size(), layout)) {
    SetImageLastError("not a BMP file that can be read");
    return nullptr;
  }
  BYTE* block = LockedBlock(static_cast<std::size_t>(layout.DibBytes()));
  if (!block) {
    SetImageLastError("out of memory");
    return nullptr;
  }
  bmpfmt::BuildPlainDib(data.data(), data.size(), layout, block);
  return block;
}

BOOL CBmpImageImpl::Read(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  BYTE* dib = ReadDIBFile(m_strPath);
  if (!dib) return 0;
  FreeDIB();
  delete imagePalette;
  imagePalette = nullptr;
  m_pDIB = dib;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  m_nWidth = h->biWidth;
  m_nHeight = h->biHeight;
  m_nBitsPerPixel = h->biBitCount;
  m_pBits = DibBits(dib);
  m_nRowBytes = static_cast<int>(DibRowBytes(m_nWidth, m_nBitsPerPixel));
  if (m_nBitsPerPixel > 8) {
    // True colour: say so, whatever an earlier read left.
    m_nColorType = 2;
    return 1;
  }
  // The palette holds the colours the file gave; the table's padding to
  // 2^depth entries is not part of it.
  int count = static_cast<int>(h->biClrImportant);
  if (count <= 0 || count > DibColorCount(h)) count = DibColorCount(h);
  const auto* table = reinterpret_cast<const RGBQUAD*>(dib + h->biSize);
  BYTE red[256], green[256], blue[256];
  for (int i = 0; i < count; ++i) {
    red[i] = table[i].rgbRed;
    green[i] = table[i].rgbGreen;
    blue[i] = table[i].rgbBlue;
  }
  m_nColorType = 0;  // without a palette the table keeps its colours
  SetPalette(count, red, green, blue);
  return 1;
}

DWORD CBmpImageImpl::DIBColorTableSize(const BYTE* dib) {
  if (!dib) return 0;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  if (h->biSize == 12) {
    const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(dib);
    return core->bcBitCount <= 8 ? (DWORD{1} << core->bcBitCount) * 3 : 0;
  }
  if (h->biCompression == BI_BITFIELDS) return 12;
  return static_cast<DWORD>(DibColorCount(h)) * 4;
}

DWORD CBmpImageImpl::WriteLarge(fw::ReplaceSink& file, const BYTE* data, DWORD count) {
  constexpr DWORD kPiece = 32768;
  DWORD done = 0;
  while (done < count) {
    const DWORD piece = std::min(kPiece, count - done);
    if (!file.Write(data + done, piece)) return 0;
    done += piece;
  }
  return count;
}

BOOL CBmpImageImpl::WriteDIBFile(const std::string& name, const BYTE* dib) {
  if (!dib) return 0;
  const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  if (h->biSize != 40) return 0;
  const std::size_t rowBytes = DibRowBytes(h->biWidth, h->biBitCount);
  if (rowBytes == 0 || h->biHeight <= 0) return 0;
  const std::uint64_t image = static_cast<std::uint64_t>(rowBytes) * h->biHeight;
  const DWORD table = DIBColorTableSize(dib);
  const std::uint64_t dibBytes = 40 + table + image;
  // Never more than the block holds.
  if (HGLOBAL block = GlobalHandle(dib); block && GlobalSize(block) < dibBytes) return 0;
  BYTE header[14] = {'B', 'M'};
  const std::uint64_t fileSize = 14 + dibBytes;
  const DWORD offBits = 14 + 40 + table;
  for (int i = 0; i < 4; ++i) {
    header[2 + i] = static_cast<BYTE>(fileSize >> (8 * i));
    header[10 + i] = static_cast<BYTE>(offBits >> (8 * i));
  }
  // The header as written says what the rows hold.
  std::vector<BYTE> info(dib, dib + 40 + table);
  auto* out = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  out->biSizeImage = static_cast<DWORD>(image);
  const auto result = imageio::WriteFileAtomically(name, [&](fw::ReplaceSink& file) {
    if (!file.Write(header, sizeof header)) return false;
    if (WriteLarge(file, info.data(), static_cast<DWORD>(info.size())) != info.size()) return false;
    return WriteLarge(file, dib + 40 + table, static_cast<DWORD>(image)) == image;
  });
  if (result != imageio::WriteResult::kOk) {
    SetImageLastError(result == imageio::WriteResult::kCannotOpen ? "cannot create the file"
                                                                  : "cannot write the file");
    return 0;
  }
  return 1;
}

BOOL CBmpImageImpl::Write(const std::string& name) {
  if (!name.empty()) m_strPath = name;
  if (!m_pDIB) {
    SetImageLastError("no picture to write");
    return 0;
  }
  // The file holds colours: a palette's entries go into the table for the
  // write; without a palette the table holds colours already.
  if (imagePalette) FillColorTable(m_pDIB, imagePalette->GetSafeHandle(), 0);
  const BOOL result = WriteDIBFile(m_strPath, m_pDIB);
  if (imagePalette) FillColorTable(m_pDIB, imagePalette->GetSafeHandle(), 1);
  return result;
}
