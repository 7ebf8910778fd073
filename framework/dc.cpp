// Device contexts and the drawing calls other than bitmaps and palettes.
#include "framework/dc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/resources.h"
#include "framework/showing.h"
#include "framework/text.h"

namespace fw {

DCState::DCState() {
  pixman_region32_init(&visible);
  pixman_region32_init(&clip);
}

DCState::~DCState() {
  pixman_region32_fini(&visible);
  pixman_region32_fini(&clip);
}

void EffectiveClip(const DCState* dc, pixman_region32_t* out) {
  pixman_region32_copy(out, const_cast<pixman_region32_t*>(&dc->visible));
  if (dc->hasClip) {
    pixman_region32_t c;
    pixman_region32_init(&c);
    pixman_region32_copy(&c, const_cast<pixman_region32_t*>(&dc->clip));
    pixman_region32_translate(&c, dc->origin.x, dc->origin.y);
    pixman_region32_intersect(out, out, &c);
    pixman_region32_fini(&c);
  }
}

void ShowDrawn(const DCState* dc) {
  if (dc && dc->shown) dc->shown->Show();
}

void NoteDrawn(const DCState* dc, const pixman_region32_t& area) {
  if (!dc || !dc->shown) return;
  pixman_region32_t drawn;
  pixman_region32_init(&drawn);
  EffectiveClip(dc, &drawn);
  pixman_region32_intersect(&drawn, &drawn, const_cast<pixman_region32_t*>(&area));
  dc->shown->AddDamage(drawn);
  pixman_region32_fini(&drawn);
}

void NoteDrawn(const DCState* dc, int x, int y, int width, int height) {
  if (!dc || !dc->shown || width <= 0 || height <= 0) return;
  pixman_region32_t area;
  pixman_region32_init_rect(&area, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height));
  NoteDrawn(dc, area);
  pixman_region32_fini(&area);
}

namespace {

pixman_color_t ToPixmanColor(COLORREF c) {
  return pixman_color_t{static_cast<uint16_t>(GetRValue(c) * 257),
                        static_cast<uint16_t>(GetGValue(c) * 257),
                        static_cast<uint16_t>(GetBValue(c) * 257), 0xFFFF};
}

bool Drawable(HDC dc) { return dc && dc->target && dc->target->image; }

// Fills boxes given in device-context coordinates, through the effective clip.
void FillBoxes(HDC dc, std::vector<pixman_box32_t> boxes, COLORREF color) {
  if (!Drawable(dc) || boxes.empty()) return;
  pixman_region32_t area, clip;
  for (auto& b : boxes) {
    b.x1 += dc->origin.x;
    b.x2 += dc->origin.x;
    b.y1 += dc->origin.y;
    b.y2 += dc->origin.y;
  }
  pixman_region32_init_rects(&area, boxes.data(), static_cast<int>(boxes.size()));
  pixman_region32_init(&clip);
  EffectiveClip(dc, &clip);
  pixman_region32_intersect(&area, &area, &clip);
  int n = 0;
  pixman_box32_t* r = pixman_region32_rectangles(&area, &n);
  if (n > 0) {
    pixman_color_t c = ToPixmanColor(color);
    pixman_image_fill_boxes(PIXMAN_OP_SRC, dc->target->image, &c, n, r);
    NoteDrawn(dc, area);
  }
  pixman_region32_fini(&area);
  pixman_region32_fini(&clip);
}

const FontState& CurrentFont(HDC dc) {
  if (auto* f = As<FontState>(dc->font, GdiObjectState::Kind::Font)) return *f;
  return SystemFont();
}

PenState* CurrentPen(HDC dc) {
  if (auto* p = As<PenState>(dc->pen, GdiObjectState::Kind::Pen)) return p;
  return static_cast<PenState*>(GetStockObject(BLACK_PEN));
}

BrushState* CurrentBrush(HDC dc) {
  if (auto* b = As<BrushState>(dc->brush, GdiObjectState::Kind::Brush)) return b;
  return static_cast<BrushState*>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

}  // namespace fw

using fw::DCState;

int ReleaseDC(HWND /*window*/, HDC dc) {
  if (!dc) return 0;
  delete dc;
  return 1;
}

HDC CreateCompatibleDC(HDC /*dc*/) {
  auto* m = new DCState;
  m->kind = DCState::Kind::Memory;
  return m;
}

BOOL DeleteDC(HDC dc) {
  if (!dc) return FALSE;
  delete dc;
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC /*dc*/, int width, int height) {
  auto* b = new fw::BitmapState;
  if (!b->surface.Resize(width, height)) {
    delete b;
    return nullptr;
  }
  return b;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object) return nullptr;
  using K = fw::GdiObjectState::Kind;
  HGDIOBJ old = nullptr;
  switch (object->kind) {
    case K::Bitmap: {
      old = dc->bitmap;
      dc->bitmap = object;
      if (dc->kind == DCState::Kind::Memory) {
        auto* b = static_cast<fw::BitmapState*>(object);
        dc->target = &b->surface;
        pixman_region32_fini(&dc->visible);
        pixman_region32_init_rect(&dc->visible, 0, 0, static_cast<unsigned>(b->surface.width),
                                  static_cast<unsigned>(b->surface.height));
      }
      break;
    }
    case K::Brush:
      old = dc->brush ? dc->brush : GetStockObject(WHITE_BRUSH);
      dc->brush = object;
      break;
    case K::Pen:
      old = dc->pen ? dc->pen : GetStockObject(BLACK_PEN);
      dc->pen = object;
      break;
    case K::Font:
      old = dc->font;
      dc->font = object;
      break;
    case K::Region:
      SelectClipRgn(dc, object);
      return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(SIMPLEREGION));
    case K::Palette:
      return nullptr;
  }
  return old;
}

int SelectClipRgn(HDC dc, HRGN region) {
  if (!dc) return ERROR;
  if (!region) {
    dc->hasClip = false;
    pixman_region32_clear(&dc->clip);
    return SIMPLEREGION;
  }
  auto* r = fw::As<fw::RegionState>(region, fw::GdiObjectState::Kind::Region);
  if (!r) return ERROR;
  pixman_region32_copy(&dc->clip, &r->region);
  dc->hasClip = true;
  const int n = pixman_region32_n_rects(&dc->clip);
  return n == 0 ? NULLREGION : (n == 1 ? SIMPLEREGION : COMPLEXREGION);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
  // Printers and metafiles take the pixels as an image.
  if (dest && dest->device)
    return StretchBlt(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop);
  if (!fw::Drawable(dest) || !fw::Drawable(src) || width <= 0 || height <= 0) return FALSE;
  if (rop != SRCCOPY) return FALSE;
  pixman_region32_t area, clip;
  pixman_region32_init_rect(&area, x + dest->origin.x, y + dest->origin.y,
                            static_cast<unsigned>(width), static_cast<unsigned>(height));
  pixman_region32_init(&clip);
  fw::EffectiveClip(dest, &clip);
  pixman_region32_intersect(&area, &area, &clip);
  pixman_image_set_clip_region32(dest->target->image, &area);
  // Copy through a snapshot so that a copy within one surface cannot overlap.
  fw::Surface* s = src->target;
  const int sx = xSrc + src->origin.x;
  const int sy = ySrc + src->origin.y;
  pixman_image_t* from = s->image;
  pixman_image_t* snapshot = nullptr;
  if (s == dest->target) {
    snapshot = pixman_image_create_bits(PIXMAN_x8r8g8b8, width, height, nullptr, 0);
    if (snapshot) {
      pixman_image_composite32(PIXMAN_OP_SRC, s->image, nullptr, snapshot, sx, sy, 0, 0, 0, 0,
                               width, height);
      from = snapshot;
    }
  }
  const int fx = snapshot ? 0 : sx;
  const int fy = snapshot ? 0 : sy;
  pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, dest->target->image, fx, fy, 0, 0,
                           x + dest->origin.x, y + dest->origin.y, width, height);
  pixman_image_set_clip_region32(dest->target->image, nullptr);
  if (snapshot) pixman_image_unref(snapshot);
  fw::NoteDrawn(dest, area);
  pixman_region32_fini(&area);
  pixman_region32_fini(&clip);
  return TRUE;
}

BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clipRect, HRGN update,
              RECT* updateRect) {
  if (!fw::Drawable(dc)) return FALSE;
  // What has been drawn so far is seen before it moves.
  fw::ShowDrawn(dc);
  RECT src = scroll ? *scroll : RECT{0, 0, dc->target->width, dc->target->height};
  const int w = src.right - src.left;
  const int h = src.bottom - src.top;
  if (w > 0 && h > 0) {
    pixman_region32_t area, clip;
    // Destination: the scrolled rectangle moved, cut to the clip rectangle.
    pixman_region32_init_rect(&area, src.left + dx + dc->origin.x, src.top + dy + dc->origin.y,
                              static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (clipRect && clipRect->right > clipRect->left && clipRect->bottom > clipRect->top) {
      pixman_region32_t c;
      pixman_region32_init_rect(&c, clipRect->left + dc->origin.x, clipRect->top + dc->origin.y,
                                static_cast<unsigned>(clipRect->right - clipRect->left),
                                static_cast<unsigned>(clipRect->bottom - clipRect->top));
      pixman_region32_intersect(&area, &area, &c);
      pixman_region32_fini(&c);
    } else if (clipRect) {
      pixman_region32_clear(&area);
    }
    pixman_region32_init(&clip);
    fw::EffectiveClip(dc, &clip);
    pixman_region32_intersect(&area, &area, &clip);
    if (pixman_region32_not_empty(&area)) {
      pixman_image_t* snapshot = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, nullptr, 0);
      if (snapshot) {
        pixman_image_composite32(PIXMAN_OP_SRC, dc->target->image, nullptr, snapshot,
                                 src.left + dc->origin.x, src.top + dc->origin.y, 0, 0, 0, 0, w, h);
        pixman_image_set_clip_region32(dc->target->image, &area);
        pixman_image_composite32(PIXMAN_OP_SRC, snapshot, nullptr, dc->target->image, 0, 0, 0, 0,
                                 src.left + dx + dc->origin.x, src.top + dy + dc->origin.y, w, h);
        pixman_image_set_clip_region32(dc->target->image, nullptr);
        pixman_image_unref(snapshot);
        fw::NoteDrawn(dc, area);
      }
    }
    pixman_region32_fini(&area);
    pixman_region32_fini(&clip);
  }
  // The uncovered strip keeps its old pixels; nobody here asks for it to be
  // reported, so the update outputs say nothing needs drawing.
  if (update) SetRectRgn(update, 0, 0, 0, 0);
  if (updateRect) *updateRect = RECT{};
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  if (!dc) return FALSE;
  if (previous) *previous = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  if (!dc) return FALSE;
  fw::PenState* pen = fw::CurrentPen(dc);
  const POINT from = dc->position;
  dc->position = POINT{x, y};
  if (pen->style == PS_NULL) return TRUE;
  // Bresenham from the current position, the end point not drawn.
  std::vector<pixman_box32_t> boxes;
  int x0 = from.x, y0 = from.y;
  const int ddx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
  const int ddy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
  int err = ddx + ddy;
  const int half = pen->width / 2;
  while (!(x0 == x && y0 == y)) {
    boxes.push_back(
        pixman_box32_t{x0 - half, y0 - half, x0 - half + pen->width, y0 - half + pen->width});
    const int e2 = 2 * err;
    if (e2 >= ddy) {
      err += ddy;
      x0 += sx;
    }
    if (e2 <= ddx) {
      err += ddx;
      y0 += sy;
    }
  }
  fw::FillBoxes(dc, std::move(boxes), pen->color);
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto* b = fw::As<fw::BrushState>(brush, fw::GdiObjectState::Kind::Brush);
  if (!dc || !rect || !b) return 0;
  if (b->hollow || rect->right <= rect->left || rect->bottom <= rect->top) return 1;
  fw::FillBoxes(dc, {pixman_box32_t{rect->left, rect->top, rect->right, rect->bottom}}, b->color);
  return 1;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  if (!dc || right <= left || bottom <= top) return FALSE;
  fw::BrushState* brush = fw::CurrentBrush(dc);
  fw::PenState* pen = fw::CurrentPen(dc);
  const int pw = pen->style == PS_NULL ? 0 : pen->width;
  if (!brush->hollow) {
    fw::FillBoxes(dc, {pixman_box32_t{left + pw, top + pw, right - pw, bottom - pw}}, brush->color);
  }
  if (pw > 0) {
    fw::FillBoxes(dc,
                  {pixman_box32_t{left, top, right, top + pw},
                   pixman_box32_t{left, bottom - pw, right, bottom},
                   pixman_box32_t{left, top + pw, left + pw, bottom - pw},
                   pixman_box32_t{right - pw, top + pw, right, bottom - pw}},
                  pen->color);
  }
  return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (!dc) return 0;
  COLORREF old = dc->textColor;
  dc->textColor = color;
  return old;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  if (!dc) return 0;
  COLORREF old = dc->bkColor;
  dc->bkColor = color;
  return old;
}

int SetBkMode(HDC dc, int mode) {
  if (!dc) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  if (!fw::Drawable(dc)) return 0xFFFFFFFF;
  const int tx = x + dc->origin.x;
  const int ty = y + dc->origin.y;
  if (!pixman_region32_contains_point(&dc->visible, tx, ty, nullptr)) return 0xFFFFFFFF;
  const uint32_t p = dc->target->Pixel(tx, ty);
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  if (!fw::Drawable(dc) || !icon || icon->image.argb.empty()) return FALSE;
  auto& img = icon->image;
  pixman_image_t* src =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, img.width, img.height,
                               const_cast<uint32_t*>(img.argb.data()), img.width * 4);
  if (!src) return FALSE;
  pixman_region32_t clip;
  pixman_region32_init(&clip);
  fw::EffectiveClip(dc, &clip);
  pixman_image_set_clip_region32(dc->target->image, &clip);
  pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dc->target->image, 0, 0, 0, 0,
                           x + dc->origin.x, y + dc->origin.y, img.width, img.height);
  pixman_image_set_clip_region32(dc->target->image, nullptr);
  pixman_region32_fini(&clip);
  pixman_image_unref(src);
  fw::NoteDrawn(dc, x + dc->origin.x, y + dc->origin.y, img.width, img.height);
  return TRUE;
}

namespace {

// Splits text into lines that fit width (words kept whole where they can be).
std::vector<std::string> WrapLines(const fw::FontState& font, const std::string& text, int width,
                                   bool wrap) {
  std::vector<std::string> lines;
  std::string paragraph;
  auto flushParagraph = [&](const std::string& p) {
    if (!wrap) {
      lines.push_back(p);
      return;
    }
    std::string line;
    size_t i = 0;
    while (i <= p.size()) {
      size_t j = p.find(' ', i);
      if (j == std::string::npos) j = p.size();
      std::string word = p.substr(i, j - i);
      std::string candidate = line.empty() ? word : line + " " + word;
      if (!line.empty() && fw::TextWidth(font, candidate) > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      i = j + 1;
    }
    lines.push_back(line);
  };
  size_t start = 0;
  while (true) {
    size_t nl = text.find('\n', start);
    std::string p = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!p.empty() && p.back() == '\r') p.pop_back();
    flushParagraph(p);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

// Removes the '&' mnemonic markers ("&&" stands for one '&').
std::string StripPrefix(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += s[i];
  }
  return out;
}

void DrawLine(HDC dc, const fw::FontState& font, int x, int y, const std::string& text) {
  if (!fw::Drawable(dc) || text.empty()) return;
  pixman_region32_t clip;
  pixman_region32_init(&clip);
  fw::EffectiveClip(dc, &clip);
  if (dc->bkMode == OPAQUE) {
    fw::FontMetrics m;
    if (fw::GetFontMetrics(font, &m)) {
      fw::FillBoxes(dc, {pixman_box32_t{x, y, x + fw::TextWidth(font, text), y + m.height}},
                    dc->bkColor);
    }
  }
  const int sx = x + dc->origin.x, sy = y + dc->origin.y;
  const fw::WindowScale scale = dc->shown ? dc->shown->textScale() : fw::WindowScale{};
  if (!scale.one()) {
    // The platform draws this window's text at the screen's size; its
    // glyphs stay out of the surface, which would only show them enlarged.
    fw::ScreenText run;
    run.face = font.face;
    run.pixelHeight = font.pixelHeight;
    run.bold = font.bold;
    run.x = sx;
    run.y = sy;
    run.text = text;
    run.color = dc->textColor;
    const RECT extent =
        fw::ScaledTextExtent(font, sx, sy, text, fw::TextScaling{scale.num, scale.den});
    dc->shown->AddText(std::move(run), clip, extent);
    pixman_region32_fini(&clip);
    return;
  }
  const RECT drawn = fw::DrawTextRun(*dc->target, &clip, font, sx, sy, text, dc->textColor);
  pixman_region32_fini(&clip);
  fw::NoteDrawn(dc, drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top);
}

}  // namespace

int DrawText(HDC dc, const std::string& raw, RECT* rect, UINT format) {
  if (!dc || !rect) return 0;
  const fw::FontState& font = fw::CurrentFont(dc);
  fw::FontMetrics m;
  if (!fw::GetFontMetrics(font, &m)) return 0;
  const std::string text = (format & DT_NOPREFIX) ? raw : StripPrefix(raw);
  const int width = rect->right - rect->left;
  std::vector<std::string> lines = (format & DT_SINGLELINE)
                                       ? std::vector<std::string>{text}
                                       : WrapLines(font, text, width, (format & DT_WORDBREAK) != 0);
  const int total = m.height * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const auto& l : lines) widest = std::max(widest, fw::TextWidth(font, l));
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  int y = rect->top;
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) {
    y = rect->top + (rect->bottom - rect->top - m.height) / 2;
  }
  for (const auto& line : lines) {
    const int w = fw::TextWidth(font, line);
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (width - w) / 2;
    if (format & DT_RIGHT) x = rect->right - w;
    DrawLine(dc, font, x, y, line);
    y += m.height;
  }
  return total;
}

BOOL TextOut(HDC dc, int x, int y, const std::string& text) {
  if (!dc) return FALSE;
  DrawLine(dc, fw::CurrentFont(dc), x, y, text);
  return TRUE;
}

BOOL GetTextExtentPoint(HDC dc, const std::string& text, SIZE* size) {
  if (!dc || !size) return FALSE;
  const fw::FontState& font = fw::CurrentFont(dc);
  fw::FontMetrics m;
  if (!fw::GetFontMetrics(font, &m)) return FALSE;
  size->cx = fw::TextWidth(font, text);
  size->cy = m.height;
  return TRUE;
}

// --- CDC

CDC::~CDC() {
  for (CGdiObject* o : std::initializer_list<CGdiObject*>{&m_oldPalette, &m_oldBitmap, &m_oldBrush,
                                                          &m_oldPen, &m_oldFont}) {
    o->Detach();
  }
}

BOOL CDC::Attach(HDC dc) {
  if (!dc) return FALSE;
  m_hDC = dc;
  return TRUE;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr));
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

namespace {
template <class W>
W* Temporary(W& slot, HGDIOBJ h) {
  if (!h) return nullptr;
  slot.m_bTemporary = true;
  slot.m_hObject = h;
  return &slot;
}
}  // namespace

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return Temporary(m_oldBitmap, ::SelectObject(m_hDC, bitmap ? bitmap->m_hObject : nullptr));
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return Temporary(m_oldBrush, ::SelectObject(m_hDC, brush ? brush->m_hObject : nullptr));
}
CPen* CDC::SelectObject(CPen* pen) {
  return Temporary(m_oldPen, ::SelectObject(m_hDC, pen ? pen->m_hObject : nullptr));
}
CFont* CDC::SelectObject(CFont* font) {
  return Temporary(m_oldFont, ::SelectObject(m_hDC, font ? font->m_hObject : nullptr));
}
int CDC::SelectClipRgn(CRgn* region) {
  return ::SelectClipRgn(m_hDC, region ? region->m_hObject : nullptr);
}
BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, src ? src->m_hDC : nullptr, xSrc, ySrc, rop);
}
BOOL CDC::ScrollDC(int dx, int dy, const RECT* scroll, const RECT* clip, CRgn* update,
                   RECT* updateRect) {
  return ::ScrollDC(m_hDC, dx, dy, scroll, clip, update ? update->m_hObject : nullptr, updateRect);
}
POINT CDC::MoveTo(int x, int y) {
  POINT old{};
  ::MoveToEx(m_hDC, x, y, &old);
  return old;
}
BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
void CDC::FillRect(const RECT* rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? brush->m_hObject : nullptr);
}
void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  if (!rect) return;
  fw::FillBoxes(m_hDC, {pixman_box32_t{rect->left, rect->top, rect->right, rect->bottom}}, color);
}
void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
  RECT r{x, y, x + width, y + height};
  FillSolidRect(&r, color);
}
BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
  return ::Rectangle(m_hDC, left, top, right, bottom);
}
COLORREF CDC::SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
COLORREF CDC::SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
int CDC::SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
int CDC::DrawText(const std::string& text, RECT* rect, UINT format) {
  return ::DrawText(m_hDC, text, rect, format);
}
BOOL CDC::TextOut(int x, int y, const std::string& text) { return ::TextOut(m_hDC, x, y, text); }
SIZE CDC::GetTextExtent(const std::string& text) {
  SIZE s{};
  ::GetTextExtentPoint(m_hDC, text, &s);
  return s;
}
COLORREF CDC::GetPixel(int x, int y) { return ::GetPixel(m_hDC, x, y); }
