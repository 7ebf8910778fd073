// Copying and printing of the page on show.
#include "pageview/page_view.h"

void CPageView::CopyToClipboard() { ++m_nCopyRequests; }

void CPageView::PrintPage() { ++m_nPrintRequests; }
