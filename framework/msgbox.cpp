#include "framework/msgbox.h"

#include <algorithm>

#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/text.h"

namespace {

// The message box as a dialog: icon on the left, the text wrapped to a
// comfortable width beside it, the buttons centred below.
class MessageBoxDialog : public CDialog {
 public:
  MessageBoxDialog(const fw::DialogTemplate& t, CWnd* owner, bool yesNo)
      : CDialog(t, owner), m_bYesNo(yesNo) {
    m_bOwnerless = owner == nullptr;
  }

  BOOL OnCommand(WPARAM wParam, LPARAM) override {
    const int id = LOWORD(wParam);
    if (id == IDCANCEL && m_bYesNo) return TRUE;  // a Yes/No question needs an answer
    if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) EndDialog(id);
    return TRUE;
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN && m_bYesNo && (msg->wParam == 'Y' || msg->wParam == 'N')) {
      EndDialog(msg->wParam == 'Y' ? IDYES : IDNO);
      return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
      // Enter answers with the button that has the keyboard.
      CWnd* focus = CWnd::GetFocus();
      int id = m_bYesNo ? IDYES : IDOK;
      if (focus && focus->GetParent() == this && focus->GetDlgCtrlID() > 0) {
        id = focus->GetDlgCtrlID();
      }
      EndDialog(id);
      return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
  }

 private:
  bool m_bYesNo;
};

}  // namespace

int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type) {
  const std::string body = text ? text : "";
  const std::string title = caption ? caption : "Error";
  if (!fw::HasPlatform()) return IDOK;
  fw::CurrentPlatform().RecordMessageBox(title, body, type);

  fw::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | fw::DS_MODALFRAME;
  t.caption = title;
  t.fontFace = "MS Sans Serif";
  t.fontPoints = 8;
  const POINT unit = CDialog::DialogUnitsToPixels(t, 4, 8);  // pixels per 4 by 8 units
  auto toDluX = [&](int px) { return (px * 4 + unit.x - 1) / unit.x; };
  auto toDluY = [&](int px) { return (px * 8 + unit.y - 1) / unit.y; };

  fw::FontState font;
  font.face = t.fontFace;
  font.pixelHeight = (t.fontPoints * 96 + 36) / 72;
  fw::FontMetrics m;
  if (!fw::GetFontMetrics(font, &m)) m.height = unit.y;
  // Wrap at about 45 average characters, as the system's boxes do.
  const int wrapPx = std::max(200, 45 * std::max(1, m.averageCharWidth));
  int lineCount = 0, widest = 0;
  {
    std::string line;
    size_t i = 0;
    auto flush = [&] {
      widest = std::max(widest, fw::TextWidth(font, line));
      ++lineCount;
      line.clear();
    };
    while (i <= body.size()) {
      size_t j = body.find_first_of(" \n", i);
      if (j == std::string::npos) j = body.size();
      const std::string word = body.substr(i, j - i);
      const std::string candidate = line.empty() ? word : line + " " + word;
      if (!line.empty() && fw::TextWidth(font, candidate) > wrapPx) {
        flush();
        line = word;
      } else {
        line = candidate;
      }
      if (j < body.size() && body[j] == '\n') flush();
      i = j + 1;
    }
    flush();
  }
  const UINT icon = type & 0xF0;
  const bool hasIcon = icon == MB_ICONHAND || icon == MB_ICONEXCLAMATION;
  const int iconDluW = hasIcon ? toDluX(32) : 0;
  const int textX = 10 + (hasIcon ? iconDluW + 8 : 0);
  const int textW = toDluX(widest) + 4;
  const int textH = toDluY(lineCount * m.height);
  const int bodyH = std::max(textH, hasIcon ? toDluY(32) : 0);
  const bool yesNo = (type & 0xF) == MB_YESNO;
  const int buttonW = 50, buttonH = 14, gap = 6;
  const int buttons = yesNo ? 2 : 1;
  const int buttonsW = buttons * buttonW + (buttons - 1) * gap;
  t.width = std::max(textX + textW + 10, buttonsW + 20);
  t.height = 10 + bodyH + 10 + buttonH + 8;

  if (hasIcon) {
    fw::DialogControl c;
    c.kind = fw::DialogControl::Kind::Static;
    c.style = fw::SS_ICON;
    c.text = "#" + std::to_string(icon == MB_ICONHAND ? fw::IDI_HAND : fw::IDI_EXCLAMATION);
    c.x = 10;
    c.y = 10;
    c.width = iconDluW;
    c.height = toDluY(32);
    t.controls.push_back(c);
  }
  fw::DialogControl label;
  label.kind = fw::DialogControl::Kind::Static;
  label.style = fw::SS_LEFT;
  label.text = body;
  label.x = textX;
  label.y = 10 + (bodyH - textH) / 2;
  label.width = textW;
  label.height = textH;
  t.controls.push_back(label);
  int bx = (t.width - buttonsW) / 2;
  const int by = 10 + bodyH + 10;
  auto addButton = [&](int id, const char* caption, bool isDefault) {
    fw::DialogControl b;
    b.kind =
        isDefault ? fw::DialogControl::Kind::DefPushButton : fw::DialogControl::Kind::PushButton;
    b.id = id;
    b.text = caption;
    b.style = WS_TABSTOP;
    b.x = bx;
    b.y = by;
    b.width = buttonW;
    b.height = buttonH;
    t.controls.push_back(b);
    bx += buttonW + gap;
  };
  if (yesNo) {
    addButton(IDYES, "&Yes", true);
    addButton(IDNO, "&No", false);
  } else {
    addButton(IDOK, "OK", true);
  }
  MessageBoxDialog box(t, CWnd::FromHandle(owner), yesNo);
  const INT_PTR r = box.DoModal();
  if (r <= 0) return yesNo ? IDNO : IDOK;
  return static_cast<int>(r);
}

int AfxMessageBox(LPCTSTR text, UINT type) {
  CWinApp* app = AfxGetApp();
  CWnd* main = AfxGetMainWnd();
  return MessageBox(main ? main->m_hWnd : nullptr, text, app ? app->m_pszAppName.c_str() : nullptr,
                    type);
}
