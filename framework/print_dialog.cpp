// The print dialog: the print server's printers (the default one first), the
// number of copies, and the page range, which is always the one page shown.
#include <algorithm>
#include <cstdlib>

#include "framework/print.h"
#include "framework/text.h"

namespace fw {

namespace {
constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);
// The chosen row: black text on light blue (text is drawn in black only).
constexpr COLORREF kSelection = RGB(170, 200, 255);

void SunkenEdge(CDC& dc, const RECT& r) {
  dc.FillSolidRect(r.left, r.top, r.right - r.left, 1, kShadow);
  dc.FillSolidRect(r.left, r.top, 1, r.bottom - r.top, kShadow);
  dc.FillSolidRect(r.left, r.bottom - 1, r.right - r.left, 1, kWhite);
  dc.FillSolidRect(r.right - 1, r.top, 1, r.bottom - r.top, kWhite);
}

int RowHeight(CFont* font) {
  FontMetrics m;
  if (font && font->m_hObject) {
    if (auto* f = As<FontState>(font->m_hObject, GdiObjectState::Kind::Font)) {
      if (GetFontMetrics(*f, &m)) return m.height + 2;
    }
  }
  return 15;
}
}  // namespace

// The list of printers: one row each, the chosen one highlighted; a click or
// the arrow keys choose.
class PrinterList : public CWnd {
 public:
  PrinterList(CPrintDialog* dialog, CFont* font) : m_pDialog(dialog), m_pFont(font) {}

  void OnPaint() override {
    CPaintDC dc(this);
    RECT r;
    GetClientRect(&r);
    dc.FillSolidRect(&r, kWhite);
    SunkenEdge(dc, r);
    if (m_pFont) dc.SelectObject(m_pFont);
    dc.SetBkMode(TRANSPARENT);
    const int h = RowHeight(m_pFont);
    const int rows = std::max(1, static_cast<int>((r.bottom - r.top - 4) / h));
    const int count = static_cast<int>(m_pDialog->m_printers.size());
    // Keep the chosen printer in view.
    if (m_pDialog->m_nSelected < m_nTop) m_nTop = m_pDialog->m_nSelected;
    if (m_pDialog->m_nSelected >= m_nTop + rows) m_nTop = m_pDialog->m_nSelected - rows + 1;
    for (int i = m_nTop; i < count && i < m_nTop + rows; ++i) {
      RECT row{r.left + 2, r.top + 2 + (i - m_nTop) * h, r.right - 2,
               r.top + 2 + (i - m_nTop + 1) * h};
      const bool chosen = i == m_pDialog->m_nSelected;
      if (chosen) dc.FillSolidRect(&row, kSelection);
      dc.SetTextColor(kBlack);
      const auto& p = m_pDialog->m_printers[static_cast<size_t>(i)];
      std::string text = p.name;
      if (p.isDefault) text += "  (default)";
      RECT t{row.left + 3, row.top, row.right - 3, row.bottom};
      dc.DrawText(text, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
  }
  void OnLButtonDown(UINT, CPoint p) override {
    SetFocus();
    const int row = (p.y - 2) / RowHeight(m_pFont);
    if (p.y >= 2 && m_nTop + row < static_cast<int>(m_pDialog->m_printers.size())) {
      m_pDialog->SelectPrinter(m_nTop + row);
    }
  }
  void OnKeyDown(UINT key, UINT, UINT) override {
    if (key == VK_UP) m_pDialog->SelectPrinter(m_pDialog->m_nSelected - 1);
    if (key == VK_DOWN) m_pDialog->SelectPrinter(m_pDialog->m_nSelected + 1);
  }

 private:
  CPrintDialog* m_pDialog;
  CFont* m_pFont;
  int m_nTop = 0;
};

// A number in a sunken box. The copies box takes digits and the arrow keys;
// the page boxes are disabled and only show their page.
class NumberBox : public CWnd {
 public:
  NumberBox(CPrintDialog* dialog, CFont* font, bool copies)
      : m_pDialog(dialog), m_pFont(font), m_bCopies(copies) {}

  void OnPaint() override {
    CPaintDC dc(this);
    RECT r;
    GetClientRect(&r);
    const bool enabled = IsWindowEnabled();
    dc.FillSolidRect(&r, enabled ? kWhite : kFace);
    SunkenEdge(dc, r);
    if (m_pFont) dc.SelectObject(m_pFont);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(enabled ? kBlack : kShadow);
    RECT t{r.left + 3, r.top, r.right - 3, r.bottom};
    dc.DrawText(GetWindowText(), &t, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (m_bFocus) dc.FillSolidRect(r.left + 2, r.bottom - 3, r.right - r.left - 4, 1, kBlack);
  }
  void OnLButtonDown(UINT, CPoint) override { SetFocus(); }
  void OnSetFocus(CWnd*) override {
    m_bFocus = true;
    m_bFresh = true;
    Invalidate();
  }
  void OnKillFocus(CWnd*) override {
    m_bFocus = false;
    Invalidate();
  }
  void OnKeyDown(UINT key, UINT, UINT) override {
    if (!m_bCopies || !IsWindowEnabled()) return;
    const int copies = m_pDialog->m_pd.nCopies;
    if (key == VK_UP) m_pDialog->SetCopies(copies + 1);
    if (key == VK_DOWN) m_pDialog->SetCopies(copies - 1);
    if (key >= '0' && key <= '9') {
      // The first digit typed replaces the number, the next ones append.
      const int digit = static_cast<int>(key - '0');
      const int next = m_bFresh ? digit : copies * 10 + digit;
      m_bFresh = false;
      m_pDialog->SetCopies(next);
    }
    if (key == VK_BACK) {
      m_bFresh = false;
      m_pDialog->SetCopies(copies / 10);
    }
  }

 private:
  CPrintDialog* m_pDialog;
  CFont* m_pFont;
  bool m_bCopies;
  bool m_bFocus = false;
  bool m_bFresh = true;
};

}  // namespace fw

namespace {

fw::DialogControl Control(fw::DialogControl::Kind kind, int id, const char* text, int x, int y,
                          int w, int h, DWORD style = 0) {
  return fw::MakeControl(kind, id, text, x, y, w, h, style);
}

constexpr int kWidth = 240;

}  // namespace

CPrintDialog::CPrintDialog(BOOL printSetupOnly, DWORD flags, CWnd* parent)
    : CDialog(fw::DialogTemplate{}, parent), m_bPrintSetupOnly(printSetupOnly) {
  m_pd.Flags = flags | (printSetupOnly ? PD_PRINTSETUP : PD_RETURNDC);
  m_pd.hwndOwner = parent ? parent->m_hWnd : nullptr;
}

CPrintDialog::~CPrintDialog() = default;

INT_PTR CPrintDialog::DoModal() {
  using K = fw::DialogControl::Kind;
  m_pd.hDC = nullptr;
  m_printers.clear();
  m_query = fw::HasPlatform() ? fw::CurrentPlatform().ListPrinters(m_printers)
                              : fw::PrinterQuery::NoServer;
  // The default printer first, and chosen.
  std::stable_partition(m_printers.begin(), m_printers.end(),
                        [](const fw::PrinterInfo& p) { return p.isDefault; });
  m_nSelected = 0;
  if (m_pd.nCopies < 1) m_pd.nCopies = 1;
  // One page is all there is to print.
  m_pd.nFromPage = m_pd.nToPage = m_pd.nMinPage = m_pd.nMaxPage = 1;

  fw::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | fw::DS_MODALFRAME;
  t.caption = m_bPrintSetupOnly ? "Print Setup" : "Print";
  t.fontFace = "MS Sans Serif";
  t.fontPoints = 8;
  t.width = kWidth;
  if (m_printers.empty()) {
    const char* text = m_query == fw::PrinterQuery::NoServer
                           ? "The print server cannot be reached, so nothing can be printed."
                           : "No printer is set up, so nothing can be printed.";
    t.height = 62;
    t.controls.push_back(Control(K::Static, kMessage, text, 10, 12, kWidth - 20, 20));
    t.controls.push_back(
        Control(K::DefPushButton, IDCANCEL, "Cancel", kWidth - 60, 40, 50, 14, WS_TABSTOP));
  } else {
    t.height = 150;
    t.controls.push_back(Control(K::Static, 0xFFFF, "Printer:", 7, 7, 80, 9));
    t.controls.push_back(Control(K::Static, kMessage, "", 7, 65, kWidth - 14, 9));
    t.controls.push_back(Control(K::Static, 0xFFFF, "Print range", 7, 80, 100, 9));
    t.controls.push_back(Control(K::Static, 0xFFFF, "Pages from:", 12, 93, 42, 9));
    t.controls.push_back(Control(K::Static, 0xFFFF, "to:", 82, 93, 12, 9));
    t.controls.push_back(Control(K::Static, 0xFFFF, "Copies", 130, 80, 100, 9));
    t.controls.push_back(Control(K::Static, 0xFFFF, "Number of copies:", 135, 93, 60, 9));
    t.controls.push_back(Control(K::PushButton, kFewerCopies, "-", 196, 105, 12, 11, WS_TABSTOP));
    t.controls.push_back(Control(K::PushButton, kMoreCopies, "+", 210, 105, 12, 11, WS_TABSTOP));
    t.controls.push_back(
        Control(K::DefPushButton, IDOK, "OK", kWidth - 114, 128, 50, 14, WS_TABSTOP));
    t.controls.push_back(
        Control(K::PushButton, IDCANCEL, "Cancel", kWidth - 57, 128, 50, 14, WS_TABSTOP));
  }
  m_runtimeTemplate = t;
  m_bRuntimeTemplate = true;
  m_pList = nullptr;
  m_pCopies = nullptr;
  const INT_PTR r = CDialog::DoModal();
  m_pList = nullptr;
  m_pCopies = nullptr;
  if (r != IDOK && m_pd.hDC) {
    ::DeleteDC(m_pd.hDC);
    m_pd.hDC = nullptr;
  }
  return r == IDOK ? IDOK : IDCANCEL;
}

void CPrintDialog::CreateControls() {
  if (m_printers.empty()) {
    CDialog::CreateControls();
    return;
  }
  const fw::DialogTemplate& t = m_runtimeTemplate;
  auto add = [&](std::unique_ptr<CWnd> w, int id, const std::string& text, int x, int y, int cx,
                 int cy, DWORD style) {
    const POINT tl = DialogUnitsToPixels(t, x, y);
    const POINT br = DialogUnitsToPixels(t, x + cx, y + cy);
    w->CreateEx(0, nullptr, text.c_str(), WS_CHILD | WS_VISIBLE | style, tl.x, tl.y, br.x - tl.x,
                br.y - tl.y, m_hWnd, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)));
    CWnd* raw = w.get();
    m_controls.push_back(std::move(w));
    return raw;
  };
  // Made first, so that the keyboard starts on the list and Tab goes on to
  // the copies, then the buttons.
  m_pList =
      static_cast<fw::PrinterList*>(add(std::make_unique<fw::PrinterList>(this, m_font.get()),
                                        kPrinterList, "", 7, 18, kWidth - 14, 44, WS_TABSTOP));
  m_pCopies = static_cast<fw::NumberBox*>(
      add(std::make_unique<fw::NumberBox>(this, m_font.get(), true), kCopies,
          std::to_string(m_pd.nCopies), 196, 91, 26, 12, WS_TABSTOP));
  // The page range is fixed: both boxes show page 1 and take no input.
  for (int id : {kFromPage, kToPage}) {
    CWnd* box = add(std::make_unique<fw::NumberBox>(this, m_font.get(), false), id, "1",
                    id == kFromPage ? 56 : 96, 91, 22, 12, 0);
    box->EnableWindow(FALSE);
  }
  CDialog::CreateControls();
  SelectPrinter(m_nSelected);
}

void CPrintDialog::SelectPrinter(int index) {
  if (m_printers.empty()) return;
  m_nSelected = std::clamp(index, 0, static_cast<int>(m_printers.size()) - 1);
  if (m_pList) m_pList->Invalidate();
  if (CWnd* where = GetDlgItem(kMessage)) {
    const auto& p = m_printers[static_cast<size_t>(m_nSelected)];
    where->SetWindowText(p.description.empty() ? std::string() : "Where: " + p.description);
    where->Invalidate();
  }
}

void CPrintDialog::SetCopies(int copies) {
  m_pd.nCopies = static_cast<WORD>(std::clamp(copies, 1, kMaxCopies));
  if (m_pCopies) {
    m_pCopies->SetWindowText(std::to_string(m_pd.nCopies));
    m_pCopies->Invalidate();
  }
}

BOOL CPrintDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kFewerCopies:
      SetCopies(m_pd.nCopies - 1);
      return TRUE;
    case kMoreCopies:
      SetCopies(m_pd.nCopies + 1);
      return TRUE;
    default:
      return CDialog::OnCommand(wParam, lParam);
  }
}

void CPrintDialog::OnOK() {
  // Without a printer there is nothing to agree to.
  if (m_printers.empty()) return;
  const auto& p = m_printers[static_cast<size_t>(m_nSelected)];
  m_strPrinter = p.name;
  if (m_pd.Flags & PD_RETURNDC) m_pd.hDC = fw::CreatePrinterDC(p, m_pd.nCopies);
  EndDialog(IDOK);
}
