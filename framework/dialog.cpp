#include "framework/dialog.h"

#include <algorithm>
#include <cstdlib>

#include "framework/app.h"
#include "framework/kernel.h"
#include "framework/runtime.h"
#include "framework/text.h"

namespace fw {

namespace {

constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kHighlight = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kDark = RGB(0, 0, 0);

HBRUSH FaceBrush() {
  static HBRUSH brush = CreateSolidBrush(kFace);
  return brush;
}

void Edge(CDC& dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  dc.FillSolidRect(r.left, r.top, r.right - r.left, 1, topLeft);
  dc.FillSolidRect(r.left, r.top, 1, r.bottom - r.top, topLeft);
  dc.FillSolidRect(r.left, r.bottom - 1, r.right - r.left, 1, bottomRight);
  dc.FillSolidRect(r.right - 1, r.top, 1, r.bottom - r.top, bottomRight);
}

// A push button: raised, sunken while pressed, a black frame when default and
// a dotted focus rectangle while it has the keyboard.
class PushButton : public CWnd {
 public:
  PushButton(bool isDefault, CFont* font) : m_bDefault(isDefault), m_pFont(font) {}

  void OnPaint() override {
    CPaintDC dc(this);
    RECT r;
    GetClientRect(&r);
    dc.FillSolidRect(&r, kFace);
    RECT inner = r;
    if (m_bDefault || m_bFocus) {
      Edge(dc, r, kDark, kDark);
      inner = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    if (m_bPressed) {
      Edge(dc, inner, kShadow, kShadow);
    } else {
      Edge(dc, inner, kHighlight, kDark);
      RECT in2{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
      Edge(dc, in2, kFace, kShadow);
    }
    if (m_pFont) dc.SelectObject(m_pFont);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kDark);
    CRect text(r);
    if (m_bPressed) text.OffsetRect(1, 1);
    dc.DrawText(GetWindowText(), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (m_bFocus) {
      for (int x = r.left + 4; x < r.right - 4; x += 2) {
        dc.FillSolidRect(x, r.top + 4, 1, 1, kDark);
        dc.FillSolidRect(x, r.bottom - 5, 1, 1, kDark);
      }
      for (int y = r.top + 4; y < r.bottom - 4; y += 2) {
        dc.FillSolidRect(r.left + 4, y, 1, 1, kDark);
        dc.FillSolidRect(r.right - 5, y, 1, 1, kDark);
      }
    }
  }
  void OnLButtonDown(UINT, CPoint) override {
    m_bPressed = true;
    m_bArmed = true;
    SetFocus();
    Invalidate();
  }
  void OnMouseMove(UINT flags, CPoint p) override {
    if (!m_bArmed) return;
    RECT r;
    GetClientRect(&r);
    const bool inside = CRect(r).PtInRect(p) && (flags & MK_LBUTTON);
    if (inside != m_bPressed) {
      m_bPressed = inside;
      Invalidate();
    }
  }
  void OnLButtonUp(UINT, CPoint p) override {
    const bool click = m_bArmed && m_bPressed;
    RECT r;
    GetClientRect(&r);
    m_bArmed = m_bPressed = false;
    Invalidate();
    if (click && CRect(r).PtInRect(p)) Click();
  }
  void OnKeyDown(UINT key, UINT, UINT) override {
    if (key == VK_SPACE) Click();
  }
  void OnSetFocus(CWnd*) override {
    m_bFocus = true;
    Invalidate();
  }
  void OnKillFocus(CWnd*) override {
    m_bFocus = false;
    Invalidate();
  }
  void Click() {
    if (CWnd* parent = GetParent()) {
      parent->PostMessage(WM_COMMAND,
                          static_cast<WPARAM>(GetDlgCtrlID() & 0xFFFF) | (BN_CLICKED << 16),
                          reinterpret_cast<LPARAM>(m_hWnd));
    }
  }

 private:
  bool m_bDefault;
  bool m_bPressed = false;
  bool m_bArmed = false;
  bool m_bFocus = false;
  CFont* m_pFont;
};

class StaticText : public CWnd {
 public:
  StaticText(bool centred, CFont* font) : m_bCentred(centred), m_pFont(font) {}
  void OnPaint() override {
    CPaintDC dc(this);
    RECT r;
    GetClientRect(&r);
    dc.FillSolidRect(&r, kFace);
    if (m_pFont) dc.SelectObject(m_pFont);
    if ((GetStyle() & 0xF) == SS_ICON) {
      // An icon control names its icon resource as "#id".
      const std::string name = GetWindowText();
      if (name.size() > 1 && name[0] == '#') {
        DrawIcon(dc, 0, 0, FindIcon(std::atoi(name.c_str() + 1)));
      }
      return;
    }
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kDark);
    dc.DrawText(GetWindowText(), &r, (m_bCentred ? DT_CENTER : DT_LEFT) | DT_WORDBREAK);
  }

 private:
  bool m_bCentred;
  CFont* m_pFont;
};

CDialog* ActiveDialogOf(HWND h) { return h ? dynamic_cast<CDialog*>(h->object) : nullptr; }

}  // namespace

CDialog* ActiveModalDialog() {
  std::vector<HWND> tops = TopLevelWindows();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    HWND h = *it;
    if (!h->visible || !h->enabled) continue;
    if (CDialog* d = ActiveDialogOf(h)) return d;
  }
  return nullptr;
}

bool ControlCentre(CDialog* d, int id, POINT* screen) {
  if (!d || !screen) return false;
  CWnd* c = d->GetDlgItem(id);
  if (!c) return false;
  RECT r;
  c->GetWindowRect(&r);
  *screen = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  return true;
}

std::vector<std::string> DialogTexts(CDialog* d) {
  std::vector<std::string> out;
  if (!d || !IsLiveWindow(d->m_hWnd)) return out;
  for (HWND c : d->m_hWnd->children) out.push_back(c->title);
  return out;
}

}  // namespace fw

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::CDialog(const fw::DialogTemplate& dialog, CWnd* parent)
    : m_pParentWnd(parent), m_runtimeTemplate(dialog), m_bRuntimeTemplate(true) {}

CDialog::~CDialog() = default;

const fw::DialogTemplate* CDialog::Template() const {
  if (m_bRuntimeTemplate) return &m_runtimeTemplate;
  return fw::FindDialogTemplate(static_cast<int>(m_nIDTemplate));
}

POINT CDialog::DialogUnitsToPixels(const fw::DialogTemplate& dialog, int x, int y) {
  fw::FontState font;
  font.face = dialog.fontFace.empty() ? "MS Sans Serif" : dialog.fontFace;
  font.pixelHeight = (dialog.fontPoints * 96 + 36) / 72;
  fw::FontMetrics m;
  if (!fw::GetFontMetrics(font, &m)) {
    m.averageCharWidth = 6;
    m.height = 13;
  }
  return POINT{(x * m.averageCharWidth + 2) / 4, (y * m.height + 4) / 8};
}

void CDialog::CreateControls() {
  const fw::DialogTemplate* t = Template();
  for (const auto& c : t->controls) {
    std::unique_ptr<CWnd> w;
    DWORD style = WS_CHILD | WS_VISIBLE | (c.style & ~0xFu);
    switch (c.kind) {
      case fw::DialogControl::Kind::PushButton:
        w = std::make_unique<fw::PushButton>(false, m_font.get());
        break;
      case fw::DialogControl::Kind::DefPushButton:
        w = std::make_unique<fw::PushButton>(true, m_font.get());
        break;
      case fw::DialogControl::Kind::Static:
        w = std::make_unique<fw::StaticText>((c.style & 0xF) == fw::SS_CENTER, m_font.get());
        style |= c.style & 0xF;
        break;
    }
    const POINT tl = DialogUnitsToPixels(*t, c.x, c.y);
    const POINT br = DialogUnitsToPixels(*t, c.x + c.width, c.y + c.height);
    w->CreateEx(0, nullptr, c.text.c_str(), style, tl.x, tl.y, br.x - tl.x, br.y - tl.y, m_hWnd,
                reinterpret_cast<HMENU>(static_cast<std::intptr_t>(c.id)));
    m_controls.push_back(std::move(w));
  }
}

INT_PTR CDialog::DoModal() {
  const fw::DialogTemplate* t = Template();
  if (!t) return -1;
  CWnd* owner = m_pParentWnd;
  if ((!owner || !owner->m_hWnd) && !m_bOwnerless) owner = AfxGetMainWnd();
  HWND ownerTop = (owner && IsWindow(owner->m_hWnd)) ? fw::TopLevelOf(owner->m_hWnd) : nullptr;

  m_font = std::make_unique<CFont>();
  m_font->CreatePointFont(t->fontPoints * 10,
                          t->fontFace.empty() ? "MS Sans Serif" : t->fontFace.c_str());
  const POINT size = DialogUnitsToPixels(*t, t->width, t->height);
  const SIZE screen = fw::CurrentPlatform().LogicalScreenSize();
  const int x = (screen.cx - size.x) / 2;
  const int y = (screen.cy - size.y) / 2;
  LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS, fw::StandardCursorHandle(StandardCursor::Arrow),
                                    fw::FaceBrush());
  DWORD style = (t->style & ~WS_VISIBLE & ~WS_CHILD) | WS_POPUP;
  if (!CreateEx(0, cls, t->caption.c_str(), style, x, y, size.x, size.y, ownerTop, nullptr)) {
    return -1;
  }
  HWND self = m_hWnd;
  CreateControls();
  const bool ownerWasEnabled = ownerTop && ownerTop->enabled;
  if (ownerTop) ::EnableWindow(ownerTop, FALSE);
  ShowWindow(SW_SHOW);
  if (OnInitDialog()) MoveFocus(0);
  RunModalLoop();
  if (ownerTop && IsWindow(ownerTop) && ownerWasEnabled) {
    ::EnableWindow(ownerTop, TRUE);
    if (ownerTop->visible) CWnd::FromHandle(ownerTop)->SetForegroundWindow();
  }
  if (IsWindow(self)) DestroyWindow();
  m_controls.clear();
  return m_nModalResult;
}

void CDialog::EndDialog(int result) { EndModalLoop(result); }

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnClose() { OnCancel(); }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOK();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}

// Focus moves to the next (step 1), previous (-1) or first (0) tab stop.
void CDialog::MoveFocus(int step) {
  if (!IsWindow(m_hWnd)) return;
  std::vector<HWND> stops;
  for (HWND c : m_hWnd->children) {
    if (c->visible && c->enabled && (c->style & WS_TABSTOP)) stops.push_back(c);
  }
  if (stops.empty()) {
    ::SetFocus(m_hWnd);
    return;
  }
  if (step == 0) {
    ::SetFocus(stops.front());
    return;
  }
  auto it = std::find(stops.begin(), stops.end(), ::GetFocus());
  int i = it == stops.end() ? 0 : static_cast<int>(it - stops.begin()) + step;
  const int n = static_cast<int>(stops.size());
  ::SetFocus(stops[static_cast<size_t>(((i % n) + n) % n)]);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN) return FALSE;
  const fw::DialogTemplate* t = Template();
  switch (msg->wParam) {
    case VK_RETURN: {
      int id = IDOK;
      if (t) {
        for (const auto& c : t->controls) {
          if (c.kind == fw::DialogControl::Kind::DefPushButton) id = c.id;
        }
      }
      SendMessage(WM_COMMAND, static_cast<WPARAM>(id & 0xFFFF), 0);
      return TRUE;
    }
    case VK_ESCAPE:
      SendMessage(WM_COMMAND, IDCANCEL, 0);
      return TRUE;
    case VK_TAB:
      MoveFocus((GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1);
      return TRUE;
    default:
      return FALSE;
  }
}
