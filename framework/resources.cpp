#include "framework/resources.h"

#include <map>
#include <memory>

namespace fw {

namespace {

std::map<int, std::unique_ptr<IconState>>& Icons() {
  static std::map<int, std::unique_ptr<IconState>> icons;
  return icons;
}
std::map<int, std::unique_ptr<CursorState>>& Cursors() {
  static std::map<int, std::unique_ptr<CursorState>> cursors;
  return cursors;
}
std::map<int, DialogTemplate>& Dialogs() {
  static std::map<int, DialogTemplate> dialogs;
  return dialogs;
}

// The stock arrow, cross-hair and hourglass, drawn from strings ('X' black,
// '.' white, anything else clear). The platform's own arrow stands in for the
// arrow; the others are drawn here so every platform shows the same.
CursorImage FromPicture(const char* const* rows, int hotX, int hotY) {
  CursorImage c;
  c.width = 32;
  c.height = 32;
  c.hotX = hotX;
  c.hotY = hotY;
  c.argb.assign(32 * 32, 0);
  for (int y = 0; y < 32 && rows[y]; ++y) {
    for (int x = 0; x < 32 && rows[y][x]; ++x) {
      if (rows[y][x] == 'X') c.argb[y * 32 + x] = 0xFF000000;
      if (rows[y][x] == '.') c.argb[y * 32 + x] = 0xFFFFFFFF;
    }
  }
  return c;
}

// A thin black cross with a white edge, hot spot in its middle.
CursorImage CrossCursor() {
  CursorImage c;
  c.width = c.height = 32;
  c.hotX = c.hotY = 11;
  c.argb.assign(32 * 32, 0);
  for (int i = 0; i < 23; ++i) {
    for (int d = -1; d <= 1; ++d) {
      const std::uint32_t colour = d == 0 ? 0xFF000000 : 0xFFFFFFFF;
      if (c.argb[(11 + d) * 32 + i] != 0xFF000000) c.argb[(11 + d) * 32 + i] = colour;
      if (c.argb[i * 32 + 11 + d] != 0xFF000000) c.argb[i * 32 + 11 + d] = colour;
    }
  }
  return c;
}

CursorImage WaitCursor() {
  static const char* rows[] = {"XXXXXXXXXXXXX", "X...........X", "XXXXXXXXXXXXX", " X.........X ",
                               " X.........X ", " X..X.X.X..X ", "  X..X.X..X  ", "   X..X..X   ",
                               "    X...X    ", "     X.X     ", "     X.X     ", "    X...X    ",
                               "   X..X..X   ", "  X.......X  ", " X....X....X ", " X...X.X...X ",
                               " X..X.X.X..X ", "XXXXXXXXXXXXX", "X...........X", "XXXXXXXXXXXXX",
                               nullptr};
  const char* padded[32] = {};
  for (int i = 0; i < 32 && rows[i]; ++i) padded[i] = rows[i];
  return FromPicture(padded, 6, 10);
}

}  // namespace

void RegisterIcon(int id, IconImage image) {
  auto s = std::make_unique<IconState>();
  s->image = std::move(image);
  Icons()[id] = std::move(s);
}

void RegisterCursor(int id, CursorImage image) {
  auto s = std::make_unique<CursorState>();
  s->image = std::move(image);
  Cursors()[id] = std::move(s);
}

void RegisterDialogTemplate(int id, DialogTemplate dialog) { Dialogs()[id] = std::move(dialog); }

HICON FindIcon(int id) {
  auto it = Icons().find(id);
  return it == Icons().end() ? nullptr : it->second.get();
}

HCURSOR FindCursor(int id) {
  auto it = Cursors().find(id);
  return it == Cursors().end() ? nullptr : it->second.get();
}

const DialogTemplate* FindDialogTemplate(int id) {
  auto it = Dialogs().find(id);
  return it == Dialogs().end() ? nullptr : &it->second;
}

HCURSOR StandardCursorHandle(StandardCursor which) {
  static CursorState arrow, cross, wait;
  static bool init = false;
  if (!init) {
    arrow.standard = true;
    arrow.which = StandardCursor::Arrow;
    cross.image = CrossCursor();
    cross.which = StandardCursor::Cross;
    wait.image = WaitCursor();
    wait.which = StandardCursor::Wait;
    init = true;
  }
  switch (which) {
    case StandardCursor::Cross:
      return &cross;
    case StandardCursor::Wait:
      return &wait;
    default:
      return &arrow;
  }
}

}  // namespace fw
