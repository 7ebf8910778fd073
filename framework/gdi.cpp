// Graphics objects other than palettes: regions, brushes, pens, bitmaps, fonts,
// and the wrapper classes.
#include "framework/gdi.h"

#include <cmath>

namespace fw {

RegionState::RegionState() : GdiObjectState(Kind::Region) { pixman_region32_init(&region); }
RegionState::~RegionState() { pixman_region32_fini(&region); }

namespace {

void SetRect(pixman_region32_t* r, int left, int top, int right, int bottom) {
  pixman_region32_fini(r);
  if (right > left && bottom > top) {
    pixman_region32_init_rect(r, left, top, static_cast<unsigned>(right - left),
                              static_cast<unsigned>(bottom - top));
  } else {
    pixman_region32_init(r);
  }
}

// The ellipse inscribed in the box, one horizontal span per row, so that a
// circle costs one rectangle per row and unions stay compact.
void SetEllipse(pixman_region32_t* r, int left, int top, int right, int bottom) {
  pixman_region32_fini(r);
  pixman_region32_init(r);
  const int w = right - left;
  const int h = bottom - top;
  if (w <= 0 || h <= 0) return;
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(static_cast<size_t>(h));
  const double cx = left + w / 2.0;
  const double cy = top + h / 2.0;
  const double a = w / 2.0;
  const double b = h / 2.0;
  for (int y = top; y < bottom; ++y) {
    const double dy = (y + 0.5 - cy) / b;
    const double t = 1.0 - dy * dy;
    if (t <= 0) continue;
    const double half = a * std::sqrt(t);
    int x0 = static_cast<int>(std::lround(cx - half));
    int x1 = static_cast<int>(std::lround(cx + half));
    if (x1 <= x0) continue;
    boxes.push_back(pixman_box32_t{x0, y, x1, y + 1});
  }
  if (!boxes.empty()) {
    pixman_region32_fini(r);
    pixman_region32_init_rects(r, boxes.data(), static_cast<int>(boxes.size()));
  }
}

int Complexity(const pixman_region32_t* r) {
  const int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(r));
  return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

BrushState* StockBrush(int which) {
  static BrushState white, black, hollow;
  static bool init = false;
  if (!init) {
    white.color = RGB(255, 255, 255);
    black.color = 0;
    hollow.hollow = true;
    white.stock = black.stock = hollow.stock = true;
    init = true;
  }
  switch (which) {
    case WHITE_BRUSH:
      return &white;
    case BLACK_BRUSH:
      return &black;
    case NULL_BRUSH:
      return &hollow;
    default:
      return nullptr;
  }
}

PenState* StockPen(int which) {
  static PenState white, black, none;
  static bool init = false;
  if (!init) {
    white.color = RGB(255, 255, 255);
    none.style = PS_NULL;
    white.stock = black.stock = none.stock = true;
    init = true;
  }
  switch (which) {
    case WHITE_PEN:
      return &white;
    case BLACK_PEN:
      return &black;
    case NULL_PEN:
      return &none;
    default:
      return nullptr;
  }
}

}  // namespace

}  // namespace fw

using fw::As;
using fw::GdiObjectState;
using fw::RegionState;

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  if (object->stock) return TRUE;
  delete object;
  return TRUE;
}

HGDIOBJ GetStockObject(int which) {
  if (which == DEFAULT_PALETTE) return fw::DefaultPalette();
  if (auto* b = fw::StockBrush(which)) return b;
  return fw::StockPen(which);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* r = new RegionState;
  fw::SetRect(&r->region, left, top, right, bottom);
  return r;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  auto* r = new RegionState;
  fw::SetEllipse(&r->region, left, top, right, bottom);
  return r;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto* d = As<RegionState>(dest, GdiObjectState::Kind::Region);
  auto* a = As<RegionState>(src1, GdiObjectState::Kind::Region);
  auto* b = As<RegionState>(src2, GdiObjectState::Kind::Region);
  if (!d || !a) return ERROR;
  if (mode == RGN_COPY) {
    pixman_region32_copy(&d->region, &a->region);
    return fw::Complexity(&d->region);
  }
  if (!b) return ERROR;
  pixman_region32_t result;
  pixman_region32_init(&result);
  switch (mode) {
    case RGN_AND:
      pixman_region32_intersect(&result, &a->region, &b->region);
      break;
    case RGN_OR:
      pixman_region32_union(&result, &a->region, &b->region);
      break;
    case RGN_DIFF:
      pixman_region32_subtract(&result, &a->region, &b->region);
      break;
    case RGN_XOR: {
      pixman_region32_t ab, ba;
      pixman_region32_init(&ab);
      pixman_region32_init(&ba);
      pixman_region32_subtract(&ab, &a->region, &b->region);
      pixman_region32_subtract(&ba, &b->region, &a->region);
      pixman_region32_union(&result, &ab, &ba);
      pixman_region32_fini(&ab);
      pixman_region32_fini(&ba);
      break;
    }
    default:
      pixman_region32_fini(&result);
      return ERROR;
  }
  pixman_region32_copy(&d->region, &result);
  pixman_region32_fini(&result);
  return fw::Complexity(&d->region);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  auto* r = As<RegionState>(region, GdiObjectState::Kind::Region);
  if (!r) return FALSE;
  fw::SetRect(&r->region, left, top, right, bottom);
  return TRUE;
}

int GetRgnBox(HRGN region, RECT* box) {
  auto* r = As<RegionState>(region, GdiObjectState::Kind::Region);
  if (!r || !box) return ERROR;
  const pixman_box32_t* e = pixman_region32_extents(&r->region);
  if (pixman_region32_not_empty(&r->region)) {
    *box = RECT{e->x1, e->y1, e->x2, e->y2};
  } else {
    *box = RECT{};
  }
  return fw::Complexity(&r->region);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto* r = As<RegionState>(region, GdiObjectState::Kind::Region);
  return r && pixman_region32_contains_point(&r->region, x, y, nullptr);
}

int OffsetRgn(HRGN region, int dx, int dy) {
  auto* r = As<RegionState>(region, GdiObjectState::Kind::Region);
  if (!r) return ERROR;
  pixman_region32_translate(&r->region, dx, dy);
  return fw::Complexity(&r->region);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new fw::BrushState;
  b->color = color;
  return b;
}

HPEN CreatePen(int style, int width, COLORREF color) {
  auto* p = new fw::PenState;
  p->style = style;
  p->width = width < 1 ? 1 : width;
  p->color = color;
  return p;
}

// --- wrappers

CGdiObject::~CGdiObject() {
  if (!m_bTemporary) DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object) return FALSE;
  m_hObject = object;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  HGDIOBJ h = Detach();
  return ::DeleteObject(h);
}

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
  if (m_hObject) return FALSE;
  return Attach(::CreateRectRgn(left, top, right, bottom));
}

BOOL CRgn::CreateEllipticRgn(int left, int top, int right, int bottom) {
  if (m_hObject) return FALSE;
  return Attach(::CreateEllipticRgn(left, top, right, bottom));
}

int CRgn::CombineRgn(const CRgn* src1, const CRgn* src2, int mode) {
  return ::CombineRgn(m_hObject, src1 ? src1->m_hObject : nullptr, src2 ? src2->m_hObject : nullptr,
                      mode);
}

int CRgn::CopyRgn(const CRgn* src) {
  return ::CombineRgn(m_hObject, src ? src->m_hObject : nullptr, nullptr, RGN_COPY);
}

void CRgn::SetRectRgn(int left, int top, int right, int bottom) {
  ::SetRectRgn(m_hObject, left, top, right, bottom);
}

int CRgn::GetRgnBox(RECT* box) const { return ::GetRgnBox(m_hObject, box); }

BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion(m_hObject, x, y); }

CBrush::CBrush(COLORREF color) { CreateSolidBrush(color); }

BOOL CBrush::CreateSolidBrush(COLORREF color) {
  if (m_hObject) return FALSE;
  return Attach(::CreateSolidBrush(color));
}

CPen::CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  if (m_hObject) return FALSE;
  return Attach(::CreatePen(style, width, color));
}

BOOL CBitmap::CreateBitmap(int width, int height) {
  if (m_hObject) return FALSE;
  auto* b = new fw::BitmapState;
  if (!b->surface.Resize(width, height)) {
    delete b;
    return FALSE;
  }
  return Attach(b);
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, LPCTSTR face) {
  if (m_hObject) return FALSE;
  auto* f = new fw::FontState;
  f->face = face ? face : "";
  // 96 logical pixels per inch, as on the desktop the program was made for.
  f->pixelHeight = (tenthsOfPoint * 96 + 360) / 720;
  if (f->pixelHeight < 1) f->pixelHeight = 1;
  return Attach(f);
}
