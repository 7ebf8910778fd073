// JPEG files through libjpeg.
#pragma once

#include "image/image_impl.h"

class CJpegImageImpl : public CFileImageImpl {
 public:
  explicit CJpegImageImpl(const std::string& path = std::string()) : CFileImageImpl(path) {}

  BOOL Read(const std::string&) override { return 0; }
  BOOL Write(const std::string&) override { return 0; }

  int m_nQuality = 30;
};
