// PNG files through libpng.
#pragma once

#include "image/image_impl.h"

class CPngImageImpl : public CFileImageImpl {
 public:
  explicit CPngImageImpl(const std::string& path = std::string()) : CFileImageImpl(path) {}

  BOOL Read(const std::string& name) override;
  BOOL Write(const std::string& name) override;
};
