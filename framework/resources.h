// The program's resources (icons, cursors, dialog templates), kept as data by
// the resources/ folder and registered with the framework at start.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/platform.h"
#include "framework/wintypes.h"

namespace fw {

struct IconState {
  IconImage image;
};

struct CursorState {
  CursorImage image;
  bool standard = false;
  StandardCursor which = StandardCursor::Arrow;
};

// A dialog template: sizes and positions in dialog units.
struct DialogControl {
  enum class Kind { PushButton, DefPushButton, Static };
  Kind kind = Kind::Static;
  int id = 0xFFFF;
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;
  DWORD style = 0;  // WS_ and the control's own style bits
};

// One control of a template, as a template's line gives it.
inline DialogControl MakeControl(DialogControl::Kind kind, int id, std::string text, int x, int y,
                                 int width, int height, DWORD style) {
  DialogControl c;
  c.kind = kind;
  c.id = id;
  c.text = std::move(text);
  c.x = x;
  c.y = y;
  c.width = width;
  c.height = height;
  c.style = style;
  return c;
}

constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_SETFONT = 0x40;

struct DialogTemplate {
  DWORD style = 0;  // WS_POPUP, WS_CAPTION, WS_SYSMENU, DS_MODALFRAME ...
  std::string caption;
  std::string fontFace;
  int fontPoints = 8;
  int width = 0, height = 0;  // dialog units
  std::vector<DialogControl> controls;
};

// The system icons of message boxes, registered by the program's resources.
constexpr int IDI_HAND = 32513;
constexpr int IDI_EXCLAMATION = 32515;

void RegisterIcon(int id, IconImage image);
void RegisterCursor(int id, CursorImage image);
void RegisterDialogTemplate(int id, DialogTemplate dialog);
HICON FindIcon(int id);
HCURSOR FindCursor(int id);
const DialogTemplate* FindDialogTemplate(int id);
HCURSOR StandardCursorHandle(StandardCursor which);

}  // namespace fw
