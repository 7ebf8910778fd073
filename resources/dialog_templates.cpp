// The dialog templates, in dialog units of their fonts.
#include "framework/resources.h"
#include "resources/resources.h"

namespace resources {

namespace {

fw::DialogControl Button(int id, const char* text, int x, int y, int w, int h, bool isDefault) {
  return fw::MakeControl(
      isDefault ? fw::DialogControl::Kind::DefPushButton : fw::DialogControl::Kind::PushButton, id,
      text, x, y, w, h,
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? fw::BS_DEFPUSHBUTTON : 0));
}

fw::DialogControl Text(const char* text, int x, int y, int w, int h, bool centred) {
  return fw::MakeControl(
      fw::DialogControl::Kind::Static, 0xFFFF, text, x, y, w, h,
      WS_CHILD | WS_VISIBLE | WS_GROUP | (centred ? fw::SS_CENTER : fw::SS_LEFT));
}

}  // namespace

fw::DialogTemplate StartDialogTemplate() {
  fw::DialogTemplate t;
  t.style = WS_POPUP | WS_VISIBLE | fw::DS_MODALFRAME | fw::DS_SETFONT;
  t.fontFace = "MS Sans Serif";
  t.fontPoints = 8;
  t.width = 220;
  t.height = 185;
  t.controls = {
      Button(IDC_START_OK, "&OK", 5, 164, 49, 17, false),
      Button(IDC_START_ABOUT, "All About  Brightleaf", 64, 164, 94, 17, false),
      Button(IDC_START_CANCEL, "&Cancel", 167, 164, 49, 17, false),
  };
  return t;
}

fw::DialogTemplate AboutBoxTemplate() {
  fw::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | fw::DS_MODALFRAME | fw::DS_SETFONT;
  t.caption = "About Pippalee";
  t.fontFace = "Arial";
  t.fontPoints = 10;
  t.width = 193;
  t.height = 105;
  fw::DialogControl close = Button(IDOK, "&Close", 82, 85, 34, 13, true);
  close.style |= WS_GROUP;
  t.controls = {
      Text("Made by Brightleaf Books", 19, 22, 151, 8, true),
      close,
      Text("Pippalee Download Version 1.0", 39, 8, 110, 8, false),
      Text("Press ESC key to exit Pippalee", 42, 70, 112, 8, false),
      Text("Free to copy and share at home.", 19, 46, 154, 8, false),
      Text("Thanks for reading!", 66, 56, 77, 8, true),
      Text("More in order.doc", 59, 34, 73, 8, false),
  };
  return t;
}

}  // namespace resources
