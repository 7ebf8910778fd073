// The two cursors of the stage as 32 by 32 character grids: K black, W white,
// a blank is transparent. Both are monochrome, so they read on any page.
#include "resources/cursor_pictures.h"

#include <cstring>

namespace resources {

// A crayon over the page with a scribble behind it; its tip is at (16, 17),
// where the colour comes through. The hot spot is (10, 12).
const char* const kRubCursor[32] = {
    "                                ",  //  0
    "                                ",  //  1
    "                           K    ",  //  2
    "                          KWK   ",  //  3
    "                         KWWWK  ",  //  4
    "                        KKWWWWK ",  //  5
    "                       KWWKWWWWK",  //  6
    "                      KWWWWKWWK ",  //  7
    "                     KWWWWWWKK  ",  //  8
    "                    KWWWWWWWK   ",  //  9
    "                   KKWWWWWWK    ",  // 10
    "                  KWWKWWWWK     ",  // 11
    "                 KWWWWKWWK      ",  // 12
    "                KWWWWWWKK       ",  // 13
    "                KKWWWWWK        ",  // 14
    "                KKKWWWK         ",  // 15
    "                KKKKWK          ",  // 16
    "                KKKKK           ",  // 17
    "                                ",  // 18
    " WWWW  WWWW  WWWW               ",  // 19
    "WWKKWWWWKKWWWWKKW               ",  // 20
    "WKWWKWWKWWKWWKWWW               ",  // 21
    "KWWWWKKWWWWKKWW                 ",  // 22
    "WW  WWWW  WWWW                  ",  // 23
    "                                ",  // 24
    "                                ",  // 25
    "                                ",  // 26
    "                                ",  // 27
    "                                ",  // 28
    "                                ",  // 29
    "                                ",  // 30
    "                                ",  // 31
};

// A hand pointing up with its index finger; the fingertip is the hot spot
// (6, 0).
const char* const kPointCursor[32] = {
    "     KKK                        ",  //  0
    "    KWWWK                       ",  //  1
    "    KWWWK                       ",  //  2
    "    KWWWK                       ",  //  3
    "    KWWWK                       ",  //  4
    "    KWWWK                       ",  //  5
    "    KWWWKKK                     ",  //  6
    "    KWWWKWWKKK                  ",  //  7
    "    KWWWKWWKWWKK                ",  //  8
    "    KWWWKWWKWWKWWK              ",  //  9
    " KK KWWWKWWKWWKWWK              ",  // 10
    "KWWKKWWWWWWWWWWWWK              ",  // 11
    "KWWWKWWWWWWWWWWWWK              ",  // 12
    " KWWKWWWWWWWWWWWWK              ",  // 13
    " KWWWWWWWWWWWWWWWK              ",  // 14
    "  KWWWWWWWWWWWWWWK              ",  // 15
    "  KWWWWWWWWWWWWWWK              ",  // 16
    "   KWWWWWWWWWWWWK               ",  // 17
    "   KWWWWWWWWWWWWK               ",  // 18
    "    KWWWWWWWWWWK                ",  // 19
    "     KWWWWWWWWWK                ",  // 20
    "     KWWWWWWWWWK                ",  // 21
    "     KKKKKKKKKKK                ",  // 22
    "                                ",  // 23
    "                                ",  // 24
    "                                ",  // 25
    "                                ",  // 26
    "                                ",  // 27
    "                                ",  // 28
    "                                ",  // 29
    "                                ",  // 30
    "                                ",  // 31
};

fw::CursorImage CursorFromPicture(const char* const* rows, int hotX, int hotY) {
  fw::CursorImage cursor;
  cursor.width = cursor.height = kCursorSize;
  cursor.hotX = hotX;
  cursor.hotY = hotY;
  cursor.argb.assign(static_cast<size_t>(kCursorSize * kCursorSize), 0);
  for (int y = 0; y < kCursorSize; ++y) {
    const char* row = rows[y];
    const int n = static_cast<int>(std::strlen(row));
    for (int x = 0; x < kCursorSize && x < n; ++x) {
      std::uint32_t& px = cursor.argb[static_cast<size_t>(y * kCursorSize + x)];
      if (row[x] == 'K') px = 0xFF000000;
      if (row[x] == 'W') px = 0xFFFFFFFF;
    }
  }
  return cursor;
}

}  // namespace resources
