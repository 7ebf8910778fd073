// Arbitrary bytes read as a GIF file and used as the book uses pictures.
#include "fuzz/image_read_fuzz.h"
#include "image/gif_image_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::ReadAndUse<CGifImageImpl>(data, size, "gif");
}
