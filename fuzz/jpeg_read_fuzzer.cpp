// Arbitrary bytes read as a JPEG file and used as the book uses pictures.
#include "fuzz/image_read_fuzz.h"
#include "image/jpeg_image_impl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::ReadAndUse<CJpegImageImpl>(data, size, "jpg");
}
