// The files that the book's data-file check looks at before the stage loads:
// nine pictures of the start-up and title area at their exact sizes, and the
// pressed face of every book button.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

struct CheckedFile {
  const char* name;
  std::uint64_t size;
};

inline constexpr CheckedFile kSizedDataFiles[9] = {
    {"splash.png", 24790},        {"Title_animate1.png", 1477}, {"Title_animate2.png", 1474},
    {"Title_animate3.png", 1356}, {"Title_animate4.png", 1472}, {"Title_animate5.png", 1456},
    {"Title2U.png", 1333},        {"Title2D.png", 1323},        {"Title3.png", 3321},
};

// "But01D.png" to "But10D.png".
inline std::string PressedFaceName(int n) {
  return std::string("But") + (n < 10 ? "0" : "") + std::to_string(n) + "D.png";
}

// Writes every checked file under contentDir/books as filler bytes of the
// right size, so that the book starts; a test puts real pictures over them.
inline void WriteCheckedDataFiles(const std::string& contentDir) {
  const std::string books = contentDir + "/books/";
  std::filesystem::create_directories(books);
  for (const CheckedFile& f : kSizedDataFiles) {
    std::ofstream(books + f.name, std::ios::binary)
        << std::string(static_cast<size_t>(f.size), 'x');
  }
  for (int n = 1; n <= 10; ++n) std::ofstream(books + PressedFaceName(n), std::ios::binary) << "x";
}

}  // namespace testing_support
