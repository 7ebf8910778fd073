// Windows bitmap files. Every file the handler reads becomes the library's
// plain DIB: a 40-byte header, a colour table of four-byte entries and
// uncompressed bottom-up rows of depth 1, 4, 8 or 24. Top-down, run-length,
// bit-field, 2-, 16- and 32-bit files and longer headers are converted on the
// way in.
#pragma once

#include "framework/file.h"
#include "framework/file_replace.h"
#include "image/image_impl.h"

class CBmpImageImpl : public CFileImageImpl {
 public:
  explicit CBmpImageImpl(const std::string& path = std::string()) : CFileImageImpl(path) {}

  BOOL Read(const std::string& name) override;
  BOOL Write(const std::string& name) override;

  // The file's plain DIB in a locked global-memory block, or null.
  static BYTE* ReadDIBFile(const std::string& name);
  // The plain header and colour table of the file at its current position, in
  // a locked global-memory block, with the file left at the pixel bits; null
  // when the headers are not those of a BMP the library holds.
  static BYTE* ReadDIBHeader(CFile& file);
  // A 14-byte file header and the DIB; FALSE when any of it cannot be written
  // (the file is then left as it was).
  static BOOL WriteDIBFile(const std::string& name, const BYTE* dib);
  // Writes count bytes in pieces of 32768; count, or 0 when a piece fails.
  static DWORD WriteLarge(fw::ReplaceSink& file, const BYTE* data, DWORD count);
  // Bytes of the DIB's colour table: entries × 4 (× 3 for a 12-byte header).
  static DWORD DIBColorTableSize(const BYTE* dib);
};
