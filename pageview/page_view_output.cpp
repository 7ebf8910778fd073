// Copying and printing of the page on show: both take the pixels the view
// shows now, the outline with whatever has been rubbed into colour.
#include <algorithm>

#include "framework/clipboard.h"
#include "framework/metafile.h"
#include "framework/print.h"
#include "pageview/page_view.h"

void CPageView::CopyToClipboard() {
  ++m_nCopyRequests;
  CClientDC dc(this);
  CDC memory;
  if (!memory.CreateCompatibleDC(&dc)) return;
  RECT r;
  GetClientRect(&r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  CBitmap bitmap;
  if (!bitmap.Attach(::CreateCompatibleBitmap(dc, width, height))) {
    memory.DeleteDC();
    return;
  }
  CBitmap* old = memory.SelectObject(&bitmap);
  memory.BitBlt(0, 0, width, height, &dc, 0, 0, SRCCOPY);
  bool handedOver = false;
  if (::OpenClipboard(nullptr)) {
    ::EmptyClipboard();
    handedOver = ::SetClipboardData(CF_BITMAP, bitmap.m_hObject) != nullptr;
    ::CloseClipboard();
  }
  memory.SelectObject(old);
  // The clipboard owns the bitmap it took; one it refused goes with its
  // wrapper.
  if (handedOver) bitmap.Detach();
  memory.DeleteDC();
}

void CPageView::PrintPage() {
  ++m_nPrintRequests;
  CClientDC dc(this);
  CPrintDialog dialog(
      FALSE,
      PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE,
      nullptr);
  dialog.m_pd.nFromPage = 1;
  dialog.m_pd.nToPage = 1;
  dialog.m_pd.nMinPage = 1;
  dialog.m_pd.nMaxPage = 1;
  if (dialog.DoModal() == IDCANCEL) return;
  HDC printerHandle = dialog.GetPrinterDC();
  if (!printerHandle) return;

  CDC printer;
  printer.Attach(printerHandle);
  printer.m_bPrinting = TRUE;
  DOCINFO info;
  info.cbSize = sizeof(DOCINFO);
  info.lpszDocName = "IMAGE";
  info.lpszOutput = nullptr;
  info.lpszDatatype = nullptr;
  info.fwType = 0;
  const bool started = printer.StartDoc(&info) > 0;
  const bool paged = started && printer.StartPage() > 0;

  RECT r;
  GetClientRect(&r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  // The picture is recorded in the screen's pixels, so its frame is the view's
  // size on the screen in hundredths of a millimetre.
  const int dpiX = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSX));
  const int dpiY = std::max(1, ::GetDeviceCaps(dc, LOGPIXELSY));
  const RECT frame{r.left * 2540 / dpiX, r.top * 2540 / dpiY, (r.right * 2540 + dpiX / 2) / dpiX,
                   (r.bottom * 2540 + dpiY / 2) / dpiY};
  HENHMETAFILE metafile = nullptr;
  if (HDC recording = CreateEnhMetaFile(dc, "image.wmf", &frame, "Pippalee")) {
    ::BitBlt(recording, r.left, r.top, width, height, dc, r.left, r.top, SRCCOPY);
    metafile = CloseEnhMetaFile(recording);
  }

  if (paged) {
    // As large as the printable area's width allows (or its height, on paper
    // turned sideways), proportions kept, at its top-left corner.
    const int areaW = printer.GetDeviceCaps(HORZRES);
    const int areaH = printer.GetDeviceCaps(VERTRES);
    int printW = areaW;
    int printH = static_cast<int>(static_cast<long long>(areaW) * height / std::max(1, width));
    if (printH > areaH) {
      printH = areaH;
      printW = static_cast<int>(static_cast<long long>(areaH) * width / std::max(1, height));
    }
    const RECT target{0, 0, printW, printH};
    // Without a metafile (image.wmf could not be written) the page is
    // printed from the screen all the same.
    if (!metafile || !PlayEnhMetaFile(printer, metafile, &target)) {
      ::StretchBlt(printer, 0, 0, printW, printH, dc, r.left, r.top, width, height, SRCCOPY);
    }
    if (printer.EndPage() > 0) {
      printer.EndDoc();
    } else {
      printer.AbortDoc();
    }
  } else if (started) {
    printer.AbortDoc();
  }
  ::DeleteDC(printer.Detach());
  if (metafile) DeleteEnhMetaFile(metafile);
}
