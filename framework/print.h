// Printing: the print dialog, which lists the print server's printers, and
// the printer device context, whose pages become one PDF document sent to the
// chosen printer when the job ends.
#pragma once

#include <string>
#include <vector>

#include "framework/dc.h"
#include "framework/dialog.h"
#include "framework/platform.h"

namespace fw {
class PrinterList;
class NumberBox;
}  // namespace fw

struct DOCINFO {
  int cbSize = sizeof(DOCINFO);
  LPCTSTR lpszDocName = nullptr;
  LPCTSTR lpszOutput = nullptr;
  LPCTSTR lpszDatatype = nullptr;
  DWORD fwType = 0;
};
using LPDOCINFO = DOCINFO*;
constexpr int SP_ERROR = -1;

int StartDoc(HDC dc, const DOCINFO* info);
int StartPage(HDC dc);
int EndPage(HDC dc);
int EndDoc(HDC dc);
int AbortDoc(HDC dc);

// Flags of the print dialog.
constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_SELECTION = 0x00000001;
constexpr DWORD PD_PAGENUMS = 0x00000002;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_COLLATE = 0x00000010;
constexpr DWORD PD_PRINTTOFILE = 0x00000020;
constexpr DWORD PD_PRINTSETUP = 0x00000040;
constexpr DWORD PD_RETURNDC = 0x00000100;
constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;
constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;

struct PRINTDLG {
  DWORD lStructSize = sizeof(PRINTDLG);
  HWND hwndOwner = nullptr;
  HDC hDC = nullptr;  // the chosen printer, after OK (PD_RETURNDC)
  DWORD Flags = 0;
  WORD nFromPage = 1;
  WORD nToPage = 1;
  WORD nMinPage = 1;
  WORD nMaxPage = 1;
  WORD nCopies = 1;
};

class CPrintDialog : public CDialog {
 public:
  explicit CPrintDialog(BOOL printSetupOnly,
                        DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                      PD_HIDEPRINTTOFILE | PD_NOSELECTION,
                        CWnd* parent = nullptr);
  ~CPrintDialog() override;

  // IDOK with a printer device context in m_pd.hDC, or IDCANCEL.
  INT_PTR DoModal() override;
  // The device context of the chosen printer; the caller deletes it.
  HDC GetPrinterDC() const { return m_pd.hDC; }
  int GetCopies() const { return m_pd.nCopies; }
  std::string GetDeviceName() const { return m_strPrinter; }
  BOOL PrintAll() const { return (m_pd.Flags & (PD_PAGENUMS | PD_SELECTION)) == 0; }
  int GetFromPage() const { return m_pd.nFromPage; }
  int GetToPage() const { return m_pd.nToPage; }

  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  PRINTDLG m_pd;

  // Control identifiers, for tests that press or read them.
  static constexpr int kPrinterList = 1001;
  static constexpr int kCopies = 1002;
  static constexpr int kFewerCopies = 1003;
  static constexpr int kMoreCopies = 1004;
  static constexpr int kFromPage = 1005;
  static constexpr int kToPage = 1006;
  static constexpr int kMessage = 1007;
  static constexpr int kMaxCopies = 99;

  // The printers offered and the one chosen (index into them).
  std::vector<fw::PrinterInfo> m_printers;
  int m_nSelected = 0;

 protected:
  void CreateControls() override;
  friend class fw::PrinterList;
  friend class fw::NumberBox;
  void SetCopies(int copies);
  void SelectPrinter(int index);

  BOOL m_bPrintSetupOnly;
  fw::PrinterQuery m_query = fw::PrinterQuery::NoServer;
  std::string m_strPrinter;
  fw::NumberBox* m_pCopies = nullptr;  // owned by m_controls
  fw::PrinterList* m_pList = nullptr;
};

namespace fw {
// A device context printing on printer: its origin is the top-left corner of
// the printable area, its unit one dot at kPrinterDpi.
constexpr int kPrinterDpi = 600;
HDC CreatePrinterDC(const PrinterInfo& printer, int copies);
}  // namespace fw
