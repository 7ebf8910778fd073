// The printer device context and stretched copies of pixels. A print job is
// drawn with cairo into a PDF document in memory, one PDF page per printed
// page, and handed to the platform's print server when the job ends.
#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/platform.h"
#include "framework/print.h"
#include "framework/print_internal.h"

namespace fw {

namespace {

constexpr double kScreenDpi = 96.0;

bool HasPixels(HDC dc) { return dc && !dc->device && dc->target && dc->target->image; }

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

class PrinterDevice : public DCDevice {
 public:
  PrinterDevice(const PrinterInfo& printer, int copies) : m_printer(printer), m_copies(copies) {}
  ~PrinterDevice() override { Abort(); }

  int DeviceCaps(int index) const override {
    auto dots = [](double points) {
      return static_cast<int>(std::lround(points * kPrinterDpi / 72.0));
    };
    const double printableW = m_printer.paperWidth - 2 * m_printer.margin;
    const double printableH = m_printer.paperHeight - 2 * m_printer.margin;
    switch (index) {
      case HORZSIZE:
        return static_cast<int>(std::lround(printableW * 25.4 / 72.0));
      case VERTSIZE:
        return static_cast<int>(std::lround(printableH * 25.4 / 72.0));
      case HORZRES:
        return dots(printableW);
      case VERTRES:
        return dots(printableH);
      case LOGPIXELSX:
      case LOGPIXELSY:
        return kPrinterDpi;
      case PHYSICALWIDTH:
        return dots(m_printer.paperWidth);
      case PHYSICALHEIGHT:
        return dots(m_printer.paperHeight);
      case PHYSICALOFFSETX:
      case PHYSICALOFFSETY:
        return dots(m_printer.margin);
      default:
        return 0;
    }
  }

  bool DrawImage(const Surface& src, int sx, int sy, int sw, int sh, int x, int y, int w,
                 int h) override {
    if (!m_cr || !m_inPage || sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return false;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, sw, sh);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(image);
      return false;
    }
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int row = 0; row < sh; ++row) {
      std::memcpy(data + static_cast<size_t>(row) * static_cast<size_t>(stride),
                  reinterpret_cast<const unsigned char*>(src.pixels) +
                      static_cast<size_t>(sy + row) * static_cast<size_t>(src.stride) +
                      static_cast<size_t>(sx) * 4,
                  static_cast<size_t>(sw) * 4);
    }
    cairo_surface_mark_dirty(image);
    cairo_save(m_cr);
    // Device units are dots of the printable area; the page is in points.
    cairo_translate(m_cr, m_printer.margin, m_printer.margin);
    cairo_scale(m_cr, 72.0 / kPrinterDpi, 72.0 / kPrinterDpi);
    cairo_rectangle(m_cr, 0, 0, DeviceCaps(HORZRES), DeviceCaps(VERTRES));
    cairo_clip(m_cr);
    cairo_translate(m_cr, x, y);
    cairo_scale(m_cr, static_cast<double>(w) / sw, static_cast<double>(h) / sh);
    cairo_set_source_surface(m_cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_GOOD);
    cairo_rectangle(m_cr, 0, 0, sw, sh);
    cairo_fill(m_cr);
    cairo_restore(m_cr);
    cairo_surface_destroy(image);
    return cairo_status(m_cr) == CAIRO_STATUS_SUCCESS;
  }

  int StartDoc(const DOCINFO* info) {
    if (m_pdf) return SP_ERROR;  // one job at a time
    m_title = info && info->lpszDocName ? info->lpszDocName : "";
    m_bytes.clear();
    m_pages = 0;
    m_pdf = cairo_pdf_surface_create_for_stream(AppendBytes, &m_bytes, m_printer.paperWidth,
                                                m_printer.paperHeight);
    if (cairo_surface_status(m_pdf) != CAIRO_STATUS_SUCCESS) {
      Abort();
      return SP_ERROR;
    }
    cairo_pdf_surface_set_metadata(m_pdf, CAIRO_PDF_METADATA_TITLE, m_title.c_str());
    m_cr = cairo_create(m_pdf);
    return 1;
  }

  int StartPage() {
    if (!m_cr || m_inPage) return SP_ERROR;
    m_inPage = true;
    return 1;
  }

  int EndPage() {
    if (!m_cr || !m_inPage) return SP_ERROR;
    cairo_show_page(m_cr);
    m_inPage = false;
    ++m_pages;
    return cairo_status(m_cr) == CAIRO_STATUS_SUCCESS ? 1 : SP_ERROR;
  }

  int EndDoc() {
    if (!m_cr) return SP_ERROR;
    if (m_inPage) EndPage();
    cairo_destroy(m_cr);
    m_cr = nullptr;
    cairo_surface_finish(m_pdf);
    const bool ok = cairo_surface_status(m_pdf) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(m_pdf);
    m_pdf = nullptr;
    // A job without pages prints nothing and needs no paper.
    if (!ok) return SP_ERROR;
    if (m_pages == 0) return 1;
    if (!HasPlatform()) return SP_ERROR;
    return CurrentPlatform().SubmitPrintJob(m_printer.name, m_title, m_copies, m_bytes) ? 1
                                                                                        : SP_ERROR;
  }

  int Abort() {
    if (m_cr) cairo_destroy(m_cr);
    if (m_pdf) cairo_surface_destroy(m_pdf);
    m_cr = nullptr;
    m_pdf = nullptr;
    m_inPage = false;
    return 1;
  }

 private:
  PrinterInfo m_printer;
  int m_copies;
  std::string m_title;
  std::string m_bytes;
  cairo_surface_t* m_pdf = nullptr;
  cairo_t* m_cr = nullptr;
  bool m_inPage = false;
  int m_pages = 0;
};

PrinterDevice* Printer(HDC dc) {
  return dc ? dynamic_cast<PrinterDevice*>(dc->device.get()) : nullptr;
}

}  // namespace

int ScreenDeviceCaps(int index) {
  const SIZE screen = HasPlatform() ? CurrentPlatform().LogicalScreenSize() : SIZE{640, 480};
  switch (index) {
    case HORZSIZE:
      return static_cast<int>(std::lround(screen.cx * 25.4 / kScreenDpi));
    case VERTSIZE:
      return static_cast<int>(std::lround(screen.cy * 25.4 / kScreenDpi));
    case HORZRES:
    case PHYSICALWIDTH:
      return screen.cx;
    case VERTRES:
    case PHYSICALHEIGHT:
      return screen.cy;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return static_cast<int>(kScreenDpi);
    default:
      return 0;
  }
}

bool DrawSurface(HDC dc, const Surface& src, int sx, int sy, int sw, int sh, int x, int y, int w,
                 int h) {
  if (!dc || !src.image || sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return false;
  // Only the part of the source inside its surface is read; the destination
  // shrinks with it.
  const int cx0 = std::max(sx, 0), cy0 = std::max(sy, 0);
  const int cx1 = std::min(sx + sw, src.width), cy1 = std::min(sy + sh, src.height);
  if (cx1 <= cx0 || cy1 <= cy0) return false;
  const double kx = static_cast<double>(w) / sw, ky = static_cast<double>(h) / sh;
  const int dx0 = x + static_cast<int>(std::lround((cx0 - sx) * kx));
  const int dy0 = y + static_cast<int>(std::lround((cy0 - sy) * ky));
  const int dx1 = x + static_cast<int>(std::lround((cx1 - sx) * kx));
  const int dy1 = y + static_cast<int>(std::lround((cy1 - sy) * ky));
  if (dx1 <= dx0 || dy1 <= dy0) return false;
  sx = cx0;
  sy = cy0;
  sw = cx1 - cx0;
  sh = cy1 - cy0;
  if (dc->device) return dc->device->DrawImage(src, sx, sy, sw, sh, dx0, dy0, dx1 - dx0, dy1 - dy0);
  if (!HasPixels(dc)) return false;
  // Through a copy, so that source and destination may share a surface.
  Surface part(sw, sh);
  if (!part.image) return false;
  pixman_image_composite32(PIXMAN_OP_SRC, src.image, nullptr, part.image, sx, sy, 0, 0, 0, 0, sw,
                           sh);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(sw) / (dx1 - dx0)),
                              pixman_double_to_fixed(static_cast<double>(sh) / (dy1 - dy0)));
  pixman_image_set_transform(part.image, &t);
  pixman_image_set_filter(part.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_region32_t clip;
  pixman_region32_init(&clip);
  EffectiveClip(dc, &clip);
  pixman_image_set_clip_region32(dc->target->image, &clip);
  pixman_image_composite32(PIXMAN_OP_SRC, part.image, nullptr, dc->target->image, 0, 0, 0, 0,
                           dx0 + dc->origin.x, dy0 + dc->origin.y, dx1 - dx0, dy1 - dy0);
  pixman_image_set_clip_region32(dc->target->image, nullptr);
  pixman_region32_fini(&clip);
  NoteDrawn(dc, dx0 + dc->origin.x, dy0 + dc->origin.y, dx1 - dx0, dy1 - dy0);
  return true;
}

HDC CreatePrinterDC(const PrinterInfo& printer, int copies) {
  auto* dc = new DCState;
  dc->kind = DCState::Kind::Memory;
  dc->device = std::make_unique<PrinterDevice>(printer, copies < 1 ? 1 : copies);
  return dc;
}

}  // namespace fw

int GetDeviceCaps(HDC dc, int index) {
  if (!dc) return 0;
  if (dc->device) return dc->device->DeviceCaps(index);
  if (dc->kind == fw::DCState::Kind::Memory && dc->target &&
      (index == HORZRES || index == VERTRES)) {
    return index == HORZRES ? dc->target->width : dc->target->height;
  }
  return fw::ScreenDeviceCaps(index);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop) {
  if (rop != SRCCOPY || !fw::HasPixels(src)) return FALSE;
  return fw::DrawSurface(dest, *src->target, xSrc + src->origin.x, ySrc + src->origin.y, srcWidth,
                         srcHeight, x, y, width, height)
             ? TRUE
             : FALSE;
}

int StartDoc(HDC dc, const DOCINFO* info) {
  auto* p = fw::Printer(dc);
  return p ? p->StartDoc(info) : SP_ERROR;
}
int StartPage(HDC dc) {
  auto* p = fw::Printer(dc);
  return p ? p->StartPage() : SP_ERROR;
}
int EndPage(HDC dc) {
  auto* p = fw::Printer(dc);
  return p ? p->EndPage() : SP_ERROR;
}
int EndDoc(HDC dc) {
  auto* p = fw::Printer(dc);
  return p ? p->EndDoc() : SP_ERROR;
}
int AbortDoc(HDC dc) {
  auto* p = fw::Printer(dc);
  return p ? p->Abort() : SP_ERROR;
}

int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
int CDC::StartDoc(DOCINFO* info) { return ::StartDoc(m_hDC, info); }
int CDC::StartPage() { return ::StartPage(m_hDC); }
int CDC::EndPage() { return ::EndPage(m_hDC); }
int CDC::EndDoc() { return ::EndDoc(m_hDC); }
int CDC::AbortDoc() { return ::AbortDoc(m_hDC); }
