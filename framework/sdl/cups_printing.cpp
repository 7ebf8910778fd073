#include "framework/sdl/cups_printing.h"

#include <cups/cups.h>
#include <cups/ipp.h>
#include <cups/pwg.h>

#include <algorithm>
#include <memory>

namespace fw::sdl {

namespace {

struct HttpCloser {
  void operator()(http_t* h) const { httpClose(h); }
};
struct IppDeleter {
  void operator()(ipp_t* i) const { ippDelete(i); }
};
using Http = std::unique_ptr<http_t, HttpCloser>;
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

Http Connect() {
  // A server that does not answer within a few seconds counts as absent.
  return Http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000,
                           nullptr));
}

std::string DefaultPrinter(http_t* http) {
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  Ipp response(cupsDoRequest(http, request, "/"));
  if (!response) return std::string();
  ipp_attribute_t* name = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME);
  const char* text = name ? ippGetString(name, 0, nullptr) : nullptr;
  return text ? text : "";
}

// The paper of a media name such as "iso_a4_210x297mm"; false when unknown.
bool Paper(const char* media, PrinterInfo& p) {
  if (!media) return false;
  pwg_media_t* m = pwgMediaForPWG(media);
  if (!m) m = pwgMediaForLegacy(media);
  if (!m || m->width <= 0 || m->length <= 0) return false;
  p.paperWidth = m->width * 72.0 / 2540.0;
  p.paperHeight = m->length * 72.0 / 2540.0;
  return true;
}

}  // namespace

PrinterQuery ListCupsPrinters(std::vector<PrinterInfo>& printers) {
  printers.clear();
  Http http = Connect();
  if (!http) return PrinterQuery::NoServer;
  const std::string defaultName = DefaultPrinter(http.get());

  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  static const char* const kWanted[] = {"printer-name", "printer-info", "printer-location",
                                        "media-default"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr,
                kWanted);
  Ipp response(cupsDoRequest(http.get(), request, "/"));
  if (!response) {
    // The server answered the connection but not the question: no printers
    // if it said so, else it is as good as absent.
    return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND ? PrinterQuery::Ok
                                                         : PrinterQuery::NoServer;
  }
  ipp_attribute_t* a = ippFirstAttribute(response.get());
  while (a) {
    while (a && ippGetGroupTag(a) != IPP_TAG_PRINTER) a = ippNextAttribute(response.get());
    if (!a) break;
    PrinterInfo p;
    std::string location;
    for (; a && ippGetGroupTag(a) == IPP_TAG_PRINTER; a = ippNextAttribute(response.get())) {
      const char* name = ippGetName(a);
      if (!name) continue;
      const char* value = ippGetString(a, 0, nullptr);
      if (!value) continue;
      const std::string n = name;
      if (n == "printer-name") p.name = value;
      if (n == "printer-info") p.description = value;
      if (n == "printer-location") location = value;
      if (n == "media-default") Paper(value, p);
    }
    if (p.description.empty()) p.description = location;
    if (!p.name.empty()) {
      p.isDefault = p.name == defaultName;
      printers.push_back(p);
    }
  }
  std::stable_partition(printers.begin(), printers.end(),
                        [](const PrinterInfo& p) { return p.isDefault; });
  return PrinterQuery::Ok;
}

bool SubmitCupsJob(const std::string& printer, const std::string& title, int copies,
                   const std::string& pdf) {
  if (printer.empty() || pdf.empty()) return false;
  Http http = Connect();
  if (!http) return false;
  cups_option_t* options = nullptr;
  int count = cupsAddOption("copies", std::to_string(std::max(1, copies)).c_str(), 0, &options);
  const int job = cupsCreateJob(http.get(), printer.c_str(), title.c_str(), count, options);
  cupsFreeOptions(count, options);
  if (job <= 0) return false;
  bool ok = cupsStartDocument(http.get(), printer.c_str(), job, title.c_str(), CUPS_FORMAT_PDF,
                              1) == HTTP_STATUS_CONTINUE;
  ok = ok && cupsWriteRequestData(http.get(), pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
  // Finishing reads the server's answer, whatever happened before.
  const ipp_status_t status = cupsFinishDocument(http.get(), printer.c_str());
  ok = ok && status <= IPP_STATUS_OK_EVENTS_COMPLETE;
  if (!ok) cupsCancelJob2(http.get(), printer.c_str(), job, 0);
  return ok;
}

}  // namespace fw::sdl
