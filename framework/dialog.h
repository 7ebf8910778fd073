// Dialogs built from templates kept as data: push buttons and static texts,
// laid out in dialog units of the template's font, run modally.
#pragma once

#include <memory>
#include <vector>

#include "framework/resources.h"
#include "framework/wnd.h"

constexpr UINT BN_CLICKED = 0;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  // A dialog from a template made at run time (message boxes).
  CDialog(const fw::DialogTemplate& dialog, CWnd* parent);
  ~CDialog() override;

  virtual INT_PTR DoModal();
  void EndDialog(int result);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(void* /*exchange*/) {}
  BOOL UpdateData(BOOL /*saveAndValidate*/ = TRUE) { return TRUE; }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void OnClose() override;

  // Dialog units to pixels with the template font's base units.
  static POINT DialogUnitsToPixels(const fw::DialogTemplate& dialog, int x, int y);

  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;

 protected:
  const fw::DialogTemplate* Template() const;
  virtual void CreateControls();
  void MoveFocus(int step);

  fw::DialogTemplate m_runtimeTemplate;
  bool m_bRuntimeTemplate = false;
  bool m_bOwnerless = false;  // a message box given no owner has none
  std::vector<std::unique_ptr<CWnd>> m_controls;
  std::unique_ptr<CFont> m_font;
};

namespace fw {

// The dialog now taking input: the topmost enabled dialog window, or null.
CDialog* ActiveModalDialog();
// The screen centre of control id in dialog d (for clicking it).
bool ControlCentre(CDialog* d, int id, POINT* screen);
// The texts of a dialog's controls, in template order.
std::vector<std::string> DialogTexts(CDialog* d);

}  // namespace fw
