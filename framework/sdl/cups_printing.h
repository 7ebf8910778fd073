// Printing on the desktop: the printers of the CUPS server and the sending of
// PDF jobs to it, through libcups. The server is the one the user's CUPS
// settings name ($CUPS_SERVER, client.conf), the local one by default.
#pragma once

#include <string>
#include <vector>

#include "framework/platform.h"

namespace fw::sdl {

PrinterQuery ListCupsPrinters(std::vector<PrinterInfo>& printers);
bool SubmitCupsJob(const std::string& printer, const std::string& title, int copies,
                   const std::string& pdf);

}  // namespace fw::sdl
