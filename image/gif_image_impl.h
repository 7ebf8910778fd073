// GIF files: the first image of a file is read (interlaced or not, with the
// transparent index of its graphic control extension); pictures of depth 8
// or less are written as single-image GIF87a files.
#pragma once

#include "image/image_impl.h"

class CGifImageImpl : public CFileImageImpl {
 public:
  explicit CGifImageImpl(const std::string& path = std::string()) : CFileImageImpl(path) {}

  BOOL Read(const std::string& name) override;
  BOOL Write(const std::string& name) override;
};
