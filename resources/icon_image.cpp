#include <cstring>

#include "resources/icon_pictures.h"

namespace resources {

namespace {
std::uint32_t Colour(char c) {
  switch (c) {
    case 'K':
      return 0xFF000000;
    case 'W':
      return 0xFFFFFFFF;
    case 'R':
      return 0xFFE02020;
    case 'Y':
      return 0xFFFFD800;
    case 'B':
      return 0xFF000064;
    case 'G':
      return 0xFF20A040;
    case 'g':
      return 0xFF808080;
    default:
      return 0;
  }
}
}  // namespace

fw::IconImage IconFromPicture(const char* const* rows, int size) {
  fw::IconImage icon;
  icon.width = icon.height = size;
  icon.argb.assign(static_cast<size_t>(size * size), 0);
  for (int y = 0; y < size; ++y) {
    const char* row = rows[y];
    const int n = static_cast<int>(std::strlen(row));
    for (int x = 0; x < size && x < n; ++x)
      icon.argb[static_cast<size_t>(y * size + x)] = Colour(row[x]);
  }
  return icon;
}

}  // namespace resources
