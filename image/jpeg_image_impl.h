// JPEG files through libjpeg: colour files are quantised to 128 colours and
// grey files get a 256-level grey palette, so a read picture is always 8 bits
// deep (CMYK files, which the quantiser cannot take, become 24-bit); pictures
// are written as baseline files of three components.
#pragma once

#include "image/image_impl.h"

class CJpegImageImpl : public CFileImageImpl {
 public:
  explicit CJpegImageImpl(const std::string& path = std::string()) : CFileImageImpl(path) {}

  BOOL Read(const std::string& name) override;
  BOOL Write(const std::string& name) override;

  int m_nQuality = 30;
};
