// The About box: the plain dialog of template 100, closed by its button,
// Enter, Esc or its close control.
#pragma once

#include "framework/dialog.h"
#include "resources/resources.h"

class CAboutBox : public CDialog {
 public:
  explicit CAboutBox(CWnd* parent = nullptr) : CDialog(resources::IDD_ABOUTBOX, parent) {}
};
