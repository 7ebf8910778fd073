// Every picture of the set: the stage's faces and frames, the splash, the cover
// and the pages of the ten books.
#pragma once

#include <string>
#include <vector>

#include "tools/content-gen/sources.h"

namespace content {

struct PictureSources {
  const std::vector<Book>* books;
  const Palette* page;   // pages and the cover
  const Palette* stage;  // everything around the page
};

// The size of the splash, which fills the start dialog above its buttons.
constexpr int kSplashWidth = 372;
constexpr int kSplashHeight = 254;
constexpr int kPageWidth = 590;
constexpr int kPageHeight = 440;

bool WriteStagePictures(const std::string& booksDir, const PictureSources& src, std::string* error);
bool WriteBookPages(const std::string& booksDir, const PictureSources& src, std::string* error);

// "PL02_03b.png" for book 2, page 3, outline.
std::string PageFileName(int book, int page, bool colour);

}  // namespace content
