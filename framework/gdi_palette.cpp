// Logical palettes. The screen is true colour, so a palette only tells which
// colour a palette index stands for; selecting and realizing one never
// changes what other windows show.
#include <algorithm>
#include <climits>

#include "framework/dc.h"
#include "framework/gdi.h"

using fw::As;
using fw::GdiObjectState;
using fw::PaletteState;

namespace {

PaletteState* AsPalette(HGDIOBJ h) { return As<PaletteState>(h, GdiObjectState::Kind::Palette); }

// The twenty colours every display palette holds.
constexpr BYTE kStaticColours[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

}  // namespace

namespace fw {

HPALETTE DefaultPalette() {
  static PaletteState* palette = [] {
    auto* p = new PaletteState;
    p->stock = true;
    for (const auto& c : kStaticColours) p->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
    return p;
  }();
  return palette;
}

}  // namespace fw

HPALETTE CreatePalette(const LOGPALETTE* logPalette) {
  if (!logPalette || logPalette->palNumEntries == 0) return nullptr;
  auto* p = new PaletteState;
  p->entries.assign(logPalette->palPalEntry, logPalette->palPalEntry + logPalette->palNumEntries);
  return p;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  PaletteState* p = AsPalette(palette);
  if (!p) return 0;
  const UINT size = static_cast<UINT>(p->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
  PaletteState* p = AsPalette(palette);
  if (!p || p->stock || !entries) return 0;
  const UINT size = static_cast<UINT>(p->entries.size());
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(entries, n, p->entries.begin() + start);
  return n;
}

// The entry closest to color in plain RGB distance; the first of equals.
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
  PaletteState* p = AsPalette(palette);
  if (!p || p->entries.empty()) return CLR_INVALID;
  const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  UINT best = 0;
  long bestDistance = LONG_MAX;
  for (UINT i = 0; i < p->entries.size(); ++i) {
    const PALETTEENTRY& e = p->entries[i];
    const long dr = e.peRed - r, dg = e.peGreen - g, db = e.peBlue - b;
    const long distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  if (!dc || !AsPalette(palette)) return nullptr;
  HPALETTE old = dc->palette ? dc->palette : fw::DefaultPalette();
  dc->palette = palette == fw::DefaultPalette() ? nullptr : palette;
  return old;
}

// Every entry maps to itself on a true-colour screen: nothing is remapped.
UINT RealizePalette(HDC dc) {
  if (!dc) return GDI_ERROR;
  return 0;
}

BOOL CPalette::CreatePalette(const LOGPALETTE* logPalette) {
  return Attach(::CreatePalette(logPalette));
}
UINT CPalette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const {
  return ::GetPaletteEntries(m_hObject, start, count, entries);
}
UINT CPalette::SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries) {
  return ::SetPaletteEntries(m_hObject, start, count, entries);
}
UINT CPalette::GetNearestPaletteIndex(COLORREF color) const {
  return ::GetNearestPaletteIndex(m_hObject, color);
}
int CPalette::GetEntryCount() const {
  PaletteState* p = AsPalette(m_hObject);
  return p ? static_cast<int>(p->entries.size()) : 0;
}

CPalette* CDC::SelectPalette(CPalette* palette, BOOL forceBackground) {
  HPALETTE old = ::SelectPalette(m_hDC, palette ? palette->m_hObject : nullptr, forceBackground);
  if (!old) return nullptr;
  m_oldPalette.m_bTemporary = true;
  m_oldPalette.m_hObject = old;
  return &m_oldPalette;
}
UINT CDC::RealizePalette() { return ::RealizePalette(m_hDC); }
