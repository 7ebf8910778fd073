// Drawing device-independent bitmaps: the rows are wrapped in a pixman image
// (bottom-up rows through a negative stride, index pixels through pixman's
// indexed formats) and composited through the device context's clip.
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "framework/dc.h"
#include "framework/gdi.h"

namespace {

using fw::DCState;

bool Drawable(HDC dc) { return dc && dc->target && dc->target->image; }

HPALETTE DcPalette(HDC dc) { return dc->palette ? dc->palette : fw::DefaultPalette(); }

// The rows of a DIB that are present (rows firstRow.. of the picture counted
// from the top), and a pixman image over them, or over part of them: its
// pixel (0, 0) is the picture's pixel (imageX, imageY), top-counted.
struct DibImage {
  ~DibImage() {
    if (image) pixman_image_unref(image);
  }
  pixman_image_t* image = nullptr;
  int imageX = 0;
  int imageY = 0;
  int firstRow = 0;
  int width = 0;
  int rows = 0;
  // The present rows in memory: the top one, the step to the next row down.
  std::uint8_t* top = nullptr;
  int step = 0;
  int depth = 0;
  pixman_format_code_t format = PIXMAN_c8;
  std::vector<std::uint8_t> expanded;  // 1- and 4-bit pixels widened to bytes
  std::unique_ptr<pixman_indexed_t> indexed;

  // The index of a 1- or 4-bit pixel of the present rows (top-counted).
  std::uint8_t SubBytePixel(int x, int y) const {
    const std::uint8_t* row = top + static_cast<std::ptrdiff_t>(y - firstRow) * step;
    const int perByte = 8 / depth;
    const int shift = 8 - depth * (x % perByte + 1);
    return static_cast<std::uint8_t>((row[x / perByte] >> shift) & ((1 << depth) - 1));
  }
};

// A rectangle of picture pixels, top-counted, right and bottom excluded.
struct Window {
  int x0, y0, x1, y1;
};

// Colours of the table entries: palette indices into the device context's
// palette, or colours. Entries past the table or the palette are black.
void FillIndexed(HDC dc, const BITMAPINFO* info, UINT colorUse, pixman_indexed_t* indexed) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  for (auto& c : indexed->rgba) c = 0xFF000000u;
  int n = h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 256)) : (1 << h.biBitCount);
  const BYTE* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
  if (colorUse == DIB_PAL_COLORS) {
    std::vector<PALETTEENTRY> entries(256);
    const UINT have = GetPaletteEntries(DcPalette(dc), 0, 256, entries.data());
    const auto* indices = reinterpret_cast<const WORD*>(table);
    for (int i = 0; i < n; ++i) {
      WORD index;
      std::memcpy(&index, indices + i, sizeof index);
      if (index < have) {
        const PALETTEENTRY& e = entries[index];
        indexed->rgba[i] = 0xFF000000u | (e.peRed << 16) | (e.peGreen << 8) | e.peBlue;
      }
    }
  } else {
    for (int i = 0; i < n; ++i) {
      RGBQUAD q;
      std::memcpy(&q, table + 4 * i, sizeof q);
      indexed->rgba[i] = 0xFF000000u | (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
    }
  }
}

bool PixmanFormat(const BITMAPINFOHEADER& h, const BYTE* masksAt, pixman_format_code_t* format) {
  DWORD masks[3] = {0, 0, 0};
  if (h.biCompression == BI_BITFIELDS) {
    std::memcpy(masks, masksAt, sizeof masks);
  } else if (h.biCompression != BI_RGB) {
    return false;
  }
  switch (h.biBitCount) {
    case 1:
    case 4:
    case 8:
      *format = PIXMAN_c8;
      return h.biCompression == BI_RGB;
    case 16:
      if (h.biCompression == BI_RGB ||
          (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x1F)) {
        *format = PIXMAN_x1r5g5b5;
        return true;
      }
      if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x1F) {
        *format = PIXMAN_r5g6b5;
        return true;
      }
      return false;
    case 24:
      *format = PIXMAN_r8g8b8;
      return h.biCompression == BI_RGB;
    case 32:
      if (h.biCompression == BI_RGB ||
          (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) {
        *format = PIXMAN_x8r8g8b8;
        return true;
      }
      if (masks[0] == 0xFF && masks[1] == 0xFF00 && masks[2] == 0xFF0000) {
        *format = PIXMAN_x8b8g8r8;
        return true;
      }
      return false;
    default:
      return false;
  }
}

// Wraps rows [startScan, startScan + scanLines) of the DIB (numbered from the
// bottom for bottom-up DIBs, from the top for top-down ones).
bool MakeDibImage(HDC dc, const BITMAPINFO* info, const void* bits, UINT colorUse, UINT startScan,
                  UINT scanLines, DibImage* out) {
  if (!info || !bits) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1) return false;
  if (h.biWidth <= 0 || h.biWidth > 16384 || h.biHeight == 0 || h.biHeight < -16384 ||
      h.biHeight > 16384) {
    return false;
  }
  const int width = h.biWidth;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const bool bottomUp = h.biHeight > 0;
  pixman_format_code_t format;
  if (!PixmanFormat(h, reinterpret_cast<const BYTE*>(info) + h.biSize, &format)) return false;
  if (startScan >= static_cast<UINT>(height)) return false;
  const int rows =
      static_cast<int>(std::min<UINT>(scanLines, static_cast<UINT>(height) - startScan));
  if (rows <= 0) return false;
  const int stride = ((width * h.biBitCount + 31) / 32) * 4;
  auto* base = static_cast<std::uint8_t*>(const_cast<void*>(bits));

  out->width = width;
  out->rows = rows;
  out->firstRow =
      bottomUp ? height - static_cast<int>(startScan) - rows : static_cast<int>(startScan);
  // Top row of the wrapped rows in memory, and the step to the next row down.
  std::uint8_t* top = bottomUp ? base + static_cast<std::size_t>(rows - 1) * stride : base;
  int step = bottomUp ? -stride : stride;

  out->top = top;
  out->step = step;
  out->depth = h.biBitCount;
  out->format = format;
  if (format == PIXMAN_c8) {
    out->indexed = std::make_unique<pixman_indexed_t>();
    out->indexed->color = 0;
    FillIndexed(dc, info, colorUse, out->indexed.get());
  }
  // Sub-byte pixels are wrapped later, only where drawing needs them.
  if (out->depth < 8) return true;
  out->imageY = out->firstRow;
  out->image =
      pixman_image_create_bits(format, width, rows, reinterpret_cast<uint32_t*>(top), step);
  if (!out->image) return false;
  if (out->indexed) pixman_image_set_indexed(out->image, out->indexed.get());
  return true;
}

// Gives a DIB of 1- or 4-bit pixels its pixman image over the window (cut
// to the present rows; at least one pixel). pixman packs sub-byte pixels in
// the machine's bit order, DIBs put the leftmost pixel in the high bits, so
// the window's pixels are widened to bytes: the cost follows the window, not
// the picture.
bool WrapWindow(DibImage* dib, Window w) {
  if (dib->image) return true;
  w.x0 = std::clamp(w.x0, 0, dib->width - 1);
  w.y0 = std::clamp(w.y0, dib->firstRow, dib->firstRow + dib->rows - 1);
  w.x1 = std::clamp(w.x1, w.x0 + 1, dib->width);
  w.y1 = std::clamp(w.y1, w.y0 + 1, dib->firstRow + dib->rows);
  const int width = w.x1 - w.x0, rows = w.y1 - w.y0;
  const int wide = (width + 3) & ~3;
  dib->expanded.assign(static_cast<std::size_t>(wide) * rows, 0);
  for (int r = 0; r < rows; ++r) {
    std::uint8_t* dst = dib->expanded.data() + static_cast<std::size_t>(r) * wide;
    for (int x = 0; x < width; ++x) dst[x] = dib->SubBytePixel(w.x0 + x, w.y0 + r);
  }
  dib->imageX = w.x0;
  dib->imageY = w.y0;
  dib->image = pixman_image_create_bits(PIXMAN_c8, width, rows,
                                        reinterpret_cast<uint32_t*>(dib->expanded.data()), wide);
  if (!dib->image) return false;
  pixman_image_set_indexed(dib->image, dib->indexed.get());
  return true;
}

// For each of count destination pixels along one axis, starting at start
// (relative to the draw's origin), the source pixel that pixman's nearest
// sampling picks through the scale and offset, or -1 outside the source's
// size pixels. pixman itself samples a row of pixel numbers, so the choice is
// exactly the one it makes when it draws.
bool NearestSamples(int count, int size, pixman_fixed_t scale, pixman_fixed_t offset, int start,
                    std::vector<int>* out) {
  std::vector<std::uint32_t> ids(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i)
    ids[static_cast<std::size_t>(i)] = 0xFF000000u | static_cast<std::uint32_t>(i);
  std::vector<std::uint32_t> picked(static_cast<std::size_t>(count), 0);
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, size, 1, ids.data(), size * 4);
  pixman_image_t* dst =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, count, 1, picked.data(), count * 4);
  bool ok = src && dst;
  if (ok) {
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    t.matrix[0][0] = scale;
    t.matrix[0][2] = offset;
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, start, 0, 0, 0, 0, 0, count, 1);
    out->resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const std::uint32_t v = picked[static_cast<std::size_t>(i)];
      (*out)[static_cast<std::size_t>(i)] = (v >> 24) != 0 ? static_cast<int>(v & 0xFFFFFFu) : -1;
    }
  }
  if (src) pixman_image_unref(src);
  if (dst) pixman_image_unref(dst);
  return ok;
}

// Coordinates far outside any surface are refused, so that no sum of them
// can overflow.
bool Reasonable(std::initializer_list<long long> values) {
  for (long long v : values) {
    if (v < -(1 << 24) || v > (1 << 24)) return false;
  }
  return true;
}

// dest = dest op src (bitwise) inside area; src is a8r8g8b8 over the area's
// bounding box at (bx, by), and pixels it does not cover (alpha 0) are left.
void BitwiseBoxes(fw::Surface* target, pixman_region32_t* area, const std::uint32_t* src,
                  int srcStride, int bx, int by, DWORD rop) {
  int n = 0;
  pixman_box32_t* boxes = pixman_region32_rectangles(area, &n);
  const int dstStride = target->stride / 4;
  for (int i = 0; i < n; ++i) {
    for (int y = boxes[i].y1; y < boxes[i].y2; ++y) {
      std::uint32_t* d = target->pixels + static_cast<std::ptrdiff_t>(y) * dstStride;
      const std::uint32_t* s = src + static_cast<std::ptrdiff_t>(y - by) * srcStride - bx;
      for (int x = boxes[i].x1; x < boxes[i].x2; ++x) {
        const std::uint32_t v = s[x];
        if ((v >> 24) == 0) continue;
        d[x] = rop == SRCAND ? (d[x] & (v | 0xFF000000u)) : (d[x] | (v & 0x00FFFFFFu));
      }
    }
  }
}

// Composites src (with its transform set) into dc's target over the box
// (x, y, w, h) in target pixels, cut to area.
bool Composite(HDC dc, pixman_image_t* src, int srcX, int srcY, pixman_region32_t* area, int x,
               int y, int w, int h, DWORD rop, bool mayLeaveSource) {
  if (!pixman_region32_not_empty(area)) return true;
  pixman_image_t* target = dc->target->image;
  if (rop == SRCCOPY) {
    pixman_image_set_clip_region32(target, area);
    // Where the source rectangle reaches past the bitmap nothing is drawn.
    pixman_image_composite32(mayLeaveSource ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, src, nullptr, target,
                             srcX, srcY, 0, 0, x, y, w, h);
    pixman_image_set_clip_region32(target, nullptr);
    return true;
  }
  // pixman has no bitwise operators: the source goes to a scratch image first.
  pixman_box32_t* box = pixman_region32_extents(area);
  const int bw = box->x2 - box->x1, bh = box->y2 - box->y1;
  std::vector<std::uint32_t> scratch(static_cast<std::size_t>(bw) * bh, 0);
  pixman_image_t* tmp = pixman_image_create_bits(PIXMAN_a8r8g8b8, bw, bh, scratch.data(), bw * 4);
  if (!tmp) return false;
  pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, tmp, srcX + box->x1 - x, srcY + box->y1 - y,
                           0, 0, 0, 0, bw, bh);
  pixman_image_unref(tmp);
  BitwiseBoxes(dc->target, area, scratch.data(), bw, box->x1, box->y1, rop);
  return true;
}

// The part of the target that drawing through dc may touch within the box.
void ClipArea(HDC dc, int x, int y, int w, int h, pixman_region32_t* area) {
  pixman_region32_t clip;
  pixman_region32_init_rect(area, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
  pixman_region32_init(&clip);
  fw::EffectiveClip(dc, &clip);
  pixman_region32_intersect(area, area, &clip);
  pixman_region32_fini(&clip);
}

// A printer page or metafile takes pixels as an image: the source rectangle
// (cut to the rows and columns present) goes over as a surface, the
// destination shrinking with it.
bool DrawOnDevice(HDC dc, DibImage& dib, int sx, int sy, int sw, int sh, int x, int y, int w,
                  int h) {
  const int cx0 = std::max(sx, 0), cy0 = std::max(sy, dib.firstRow);
  const int cx1 = std::min(sx + sw, dib.width), cy1 = std::min(sy + sh, dib.firstRow + dib.rows);
  if (cx1 <= cx0 || cy1 <= cy0) return true;
  const double kx = static_cast<double>(w) / sw, ky = static_cast<double>(h) / sh;
  const int dx0 = x + static_cast<int>(std::lround((cx0 - sx) * kx));
  const int dy0 = y + static_cast<int>(std::lround((cy0 - sy) * ky));
  const int dx1 = x + static_cast<int>(std::lround((cx1 - sx) * kx));
  const int dy1 = y + static_cast<int>(std::lround((cy1 - sy) * ky));
  if (dx1 <= dx0 || dy1 <= dy0) return true;
  fw::Surface part(cx1 - cx0, cy1 - cy0);
  if (!part.image || !WrapWindow(&dib, Window{cx0, cy0, cx1, cy1})) return false;
  pixman_image_set_transform(dib.image, nullptr);
  pixman_image_composite32(PIXMAN_OP_SRC, dib.image, nullptr, part.image, cx0 - dib.imageX,
                           cy0 - dib.imageY, 0, 0, 0, 0, part.width, part.height);
  return dc->device->DrawImage(part, 0, 0, part.width, part.height, dx0, dy0, dx1 - dx0, dy1 - dy0);
}

// The source pixels (one axis) that destination pixels d0..d1 (relative to
// the draw's origin) sample through scale and offset, with room for a
// smoothing filter's neighbours.
void SourceSpan(pixman_fixed_t scale, pixman_fixed_t offset, int d0, int d1, int* s0, int* s1) {
  const double k = pixman_fixed_to_double(scale), o = pixman_fixed_to_double(offset);
  const double a = k * (d0 + 0.5) + o, b = k * (d1 - 0.5) + o;
  *s0 = static_cast<int>(std::floor(std::min(a, b))) - 2;
  *s1 = static_cast<int>(std::ceil(std::max(a, b))) + 2;
}

// Stretches a DIB of 1- or 4-bit pixels through the transform t into area.
// Only what the area samples is widened: the source pixels under it when
// they are few, else (a large picture drawn small) just the pixel that
// nearest sampling picks for each destination pixel, so the cost follows the
// area drawn, not the picture's size. A smoothing mode draws as nearest in
// that case.
bool StretchSubByte(HDC dc, DibImage& dib, const pixman_transform_t& t, pixman_region32_t* area,
                    int x, int y, int w, int h, DWORD rop, bool inside, bool smooth) {
  const pixman_box32_t box = *pixman_region32_extents(area);
  const int bw = box.x2 - box.x1, bh = box.y2 - box.y1;
  int wx0, wx1, wy0, wy1;
  SourceSpan(t.matrix[0][0], t.matrix[0][2], box.x1 - x, box.x2 - x, &wx0, &wx1);
  SourceSpan(t.matrix[1][1], t.matrix[1][2], box.y1 - y, box.y2 - y, &wy0, &wy1);
  wx0 = std::max(wx0, 0);
  wx1 = std::min(wx1, dib.width);
  wy0 = std::max(wy0, dib.firstRow);
  wy1 = std::min(wy1, dib.firstRow + dib.rows);
  if (wx1 <= wx0 || wy1 <= wy0) return true;  // nothing of the picture under the area
  const double windowPixels = static_cast<double>(wx1 - wx0) * (wy1 - wy0);
  if (windowPixels <= 4.0 * bw * bh + 65536) {
    if (!WrapWindow(&dib, Window{wx0, wy0, wx1, wy1})) return false;
    pixman_transform_t u = t;
    u.matrix[0][2] -= pixman_int_to_fixed(dib.imageX);
    u.matrix[1][2] -= pixman_int_to_fixed(dib.imageY);
    pixman_image_set_transform(dib.image, &u);
    pixman_image_set_filter(dib.image, smooth ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST,
                            nullptr, 0);
    return Composite(dc, dib.image, 0, 0, area, x, y, w, h, rop, !inside);
  }
  std::vector<int> cols, rows;
  if (!NearestSamples(bw, dib.width, t.matrix[0][0], t.matrix[0][2], box.x1 - x, &cols) ||
      !NearestSamples(bh, dib.firstRow + dib.rows, t.matrix[1][1], t.matrix[1][2], box.y1 - y,
                      &rows)) {
    return false;
  }
  for (int& r : rows) {
    if (r < dib.firstRow) r = -1;
  }
  // The mapping is monotonic: the pixels that sample the picture are one run.
  auto run = [](const std::vector<int>& v, int* first, int* end) {
    *first = 0;
    while (*first < static_cast<int>(v.size()) && v[static_cast<std::size_t>(*first)] < 0) ++*first;
    *end = *first;
    while (*end < static_cast<int>(v.size()) && v[static_cast<std::size_t>(*end)] >= 0) ++*end;
  };
  int c0, c1, r0, r1;
  run(cols, &c0, &c1);
  run(rows, &r0, &r1);
  if (c1 <= c0 || r1 <= r0) return true;
  const int cw = c1 - c0, ch = r1 - r0;
  const int wide = (cw + 3) & ~3;
  std::vector<std::uint8_t> picked(static_cast<std::size_t>(wide) * ch, 0);
  for (int j = 0; j < ch; ++j) {
    std::uint8_t* dst = picked.data() + static_cast<std::size_t>(j) * wide;
    const int sy = rows[static_cast<std::size_t>(r0 + j)];
    for (int i = 0; i < cw; ++i)
      dst[i] = dib.SubBytePixel(cols[static_cast<std::size_t>(c0 + i)], sy);
  }
  pixman_image_t* image =
      pixman_image_create_bits(PIXMAN_c8, cw, ch, reinterpret_cast<uint32_t*>(picked.data()), wide);
  if (!image) return false;
  pixman_image_set_indexed(image, dib.indexed.get());
  const int px = box.x1 + c0, py = box.y1 + r0;
  pixman_region32_t part;
  pixman_region32_init_rect(&part, px, py, static_cast<unsigned>(cw), static_cast<unsigned>(ch));
  pixman_region32_intersect(&part, &part, area);
  const bool ok = Composite(dc, image, 0, 0, &part, px, py, cw, ch, rop, false);
  pixman_region32_fini(&part);
  pixman_image_unref(image);
  return ok;
}

}  // namespace

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PAL:
      return DcPalette(dc);
    case OBJ_BITMAP:
      return dc->bitmap;
    case OBJ_BRUSH:
      return dc->brush ? dc->brush : GetStockObject(WHITE_BRUSH);
    case OBJ_PEN:
      return dc->pen ? dc->pen : GetStockObject(BLACK_PEN);
    case OBJ_FONT:
      return dc->font;
    default:
      return nullptr;
  }
}

int SetStretchBltMode(HDC dc, int mode) {
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  const int old = dc->stretchMode;
  dc->stretchMode = mode;
  return old;
}

int GetStretchBltMode(HDC dc) { return dc ? dc->stretchMode : 0; }

int CDC::SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                      UINT colorUse) {
  if (!dc || width > 16384 || height > 16384) return 0;
  if (!Reasonable({xDest, yDest, xSrc, ySrc})) return 0;
  DibImage dib;
  if (!MakeDibImage(dc, info, bits, colorUse, startScan, scanLines, &dib)) return 0;
  if (width == 0 || height == 0) return dib.rows;
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  const int fullHeight = std::abs(info->bmiHeader.biHeight);
  // The source rectangle's top row, counted from the picture's top.
  const int srcTop = info->bmiHeader.biHeight > 0 ? fullHeight - ySrc - h : ySrc;
  if (dc->device) {
    return DrawOnDevice(dc, dib, xSrc, srcTop, w, h, xDest, yDest, w, h) ? dib.rows : 0;
  }
  if (!Drawable(dc)) return dib.rows;
  const int x = xDest + dc->origin.x, y = yDest + dc->origin.y;
  pixman_region32_t area, source;
  ClipArea(dc, x, y, w, h, &area);
  // Only where the source rectangle has rows and columns.
  pixman_region32_init_rect(&source, x - xSrc, y - (srcTop - dib.firstRow),
                            static_cast<unsigned>(dib.width), static_cast<unsigned>(dib.rows));
  pixman_region32_intersect(&area, &area, &source);
  pixman_region32_fini(&source);
  const bool any = pixman_region32_not_empty(&area);
  const pixman_box32_t* box = pixman_region32_extents(&area);
  const Window needed{xSrc + box->x1 - x, srcTop + box->y1 - y, xSrc + box->x2 - x,
                      srcTop + box->y2 - y};
  if (any && WrapWindow(&dib, needed)) {
    Composite(dc, dib.image, xSrc - dib.imageX, srcTop - dib.imageY, &area, x, y, w, h, SRCCOPY,
              false);
    fw::NoteDrawn(dc, area);
  }
  pixman_region32_fini(&area);
  return dib.rows;
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT colorUse, DWORD rop) {
  if (!dc || (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT)) return 0;
  if (std::abs(destWidth) > 16384 || std::abs(destHeight) > 16384 || std::abs(srcWidth) > 16384 ||
      std::abs(srcHeight) > 16384) {
    return 0;
  }
  if (!info || info->bmiHeader.biHeight == 0) return 0;
  if (!Reasonable({xDest, yDest, xSrc, ySrc})) return 0;
  const int fullHeight = std::abs(info->bmiHeader.biHeight);
  DibImage dib;
  if (!MakeDibImage(dc, info, bits, colorUse, 0, static_cast<UINT>(fullHeight), &dib)) return 0;
  if (destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;
  if (dc->device) {
    // Devices take pixels as they are: no raster operations, no mirroring.
    if (rop != SRCCOPY || destWidth < 0 || destHeight < 0 || srcWidth < 0 || srcHeight < 0)
      return 0;
    const int top = info->bmiHeader.biHeight > 0 ? fullHeight - ySrc - srcHeight : ySrc;
    return DrawOnDevice(dc, dib, xSrc, top, srcWidth, srcHeight, xDest, yDest, destWidth,
                        destHeight)
               ? srcHeight
               : 0;
  }
  if (!Drawable(dc)) return fullHeight;
  // A negative extent mirrors the picture along that axis.
  bool flipX = false, flipY = false;
  if (destWidth < 0) {
    xDest += destWidth;
    destWidth = -destWidth;
    flipX = !flipX;
  }
  if (destHeight < 0) {
    yDest += destHeight;
    destHeight = -destHeight;
    flipY = !flipY;
  }
  if (srcWidth < 0) {
    xSrc += srcWidth;
    srcWidth = -srcWidth;
    flipX = !flipX;
  }
  if (srcHeight < 0) {
    ySrc += srcHeight;
    srcHeight = -srcHeight;
    flipY = !flipY;
  }
  const int srcTop = info->bmiHeader.biHeight > 0 ? fullHeight - ySrc - srcHeight : ySrc;
  const double sx = static_cast<double>(srcWidth) / destWidth;
  const double sy = static_cast<double>(srcHeight) / destHeight;
  pixman_transform_t t;
  pixman_transform_init_identity(&t);
  t.matrix[0][0] = pixman_double_to_fixed(flipX ? -sx : sx);
  t.matrix[0][2] = pixman_double_to_fixed(flipX ? xSrc + srcWidth : xSrc);
  t.matrix[1][1] = pixman_double_to_fixed(flipY ? -sy : sy);
  t.matrix[1][2] = pixman_double_to_fixed(flipY ? srcTop + srcHeight : srcTop);
  const int x = xDest + dc->origin.x, y = yDest + dc->origin.y;
  pixman_region32_t area;
  ClipArea(dc, x, y, destWidth, destHeight, &area);
  const bool inside =
      xSrc >= 0 && srcTop >= 0 && xSrc + srcWidth <= dib.width && srcTop + srcHeight <= fullHeight;
  const bool any = pixman_region32_not_empty(&area);
  // Colour on colour drops eliminated lines; halftone averages them.
  const bool smooth = dc->stretchMode == HALFTONE;
  bool ok = true;
  if (any && dib.depth < 8) {
    ok = StretchSubByte(dc, dib, t, &area, x, y, destWidth, destHeight, rop, inside, smooth);
  } else if (any) {
    pixman_image_set_transform(dib.image, &t);
    pixman_image_set_filter(dib.image, smooth ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST,
                            nullptr, 0);
    ok = Composite(dc, dib.image, 0, 0, &area, x, y, destWidth, destHeight, rop, !inside);
  }
  if (any && ok) fw::NoteDrawn(dc, area);
  pixman_region32_fini(&area);
  return ok ? srcHeight : 0;
}
