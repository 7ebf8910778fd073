// The start dialog: go on, read about the book, or quit.
#pragma once

#include "framework/dialog.h"

class CStartDialog : public CDialog {
 public:
  explicit CStartDialog(CWnd* parent = nullptr);
  ~CStartDialog() override;
  void DoDataExchange(void* exchange) override;
  void OnCancel() override;

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;

  void OnOkButton();
  void OnAboutButton();
  void OnCancelButton();
};
