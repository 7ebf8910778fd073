// Arbitrary bytes read as pictures through CPicture by file name, read again
// into the same handler, written in every format and read back.
#include "fuzz/image_read_fuzz.h"
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    const std::string probe = fuzz::Scratch("probe");
    return probe.substr(0, probe.rfind('/'));
  }();
  fuzz::ExercisePictures(data, size, folder);
  return 0;
}
