// GIF files.
#pragma once

#include "image/image_impl.h"

class CGifImageImpl : public CFileImageImpl {
 public:
  explicit CGifImageImpl(const std::string& path = std::string()) : CFileImageImpl(path) {}

  BOOL Read(const std::string&) override { return 0; }
  BOOL Write(const std::string&) override { return 0; }
};
