#include "framework/text.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <tuple>

namespace fw {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Free fonts of the same metrics stand in for the faces the program names.
const char* FontFileFor(const std::string& face, bool bold) {
  const std::string f = Lower(face);
  if (f == "arial" || f == "helvetica" || f == "liberation sans") {
    return bold ? "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"
                : "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
  }
  return bold ? "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
              : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
}

// Opened fonts stay open for the life of the process and close at its end.
struct FontCache {
  ~FontCache() {
    for (auto& [key, font] : fonts) {
      if (font) TTF_CloseFont(font);
    }
    if (TTF_WasInit()) TTF_Quit();
  }
  std::map<std::tuple<std::string, int, bool>, TTF_Font*> fonts;
};

TTF_Font* OpenFont(const FontState& font) {
  static FontCache fontCache;
  auto& cache = fontCache.fonts;
  if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
  const auto key = std::make_tuple(Lower(font.face), font.pixelHeight, font.bold);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  TTF_Font* f = TTF_OpenFont(FontFileFor(font.face, font.bold), font.pixelHeight);
  if (f) TTF_SetFontHinting(f, TTF_HINTING_LIGHT);
  cache[key] = f;
  return f;
}

}  // namespace

const FontState& SystemFont() {
  static FontState font = [] {
    FontState f;
    f.face = "MS Sans Serif";
    f.pixelHeight = 11;  // 8 points at 96 pixels per inch
    f.stock = true;
    return f;
  }();
  return font;
}

bool GetFontMetrics(const FontState& font, FontMetrics* metrics) {
  TTF_Font* f = OpenFont(font);
  if (!f || !metrics) return false;
  metrics->height = TTF_FontHeight(f);
  metrics->ascent = TTF_FontAscent(f);
  int w = 0;
  TTF_SizeUTF8(f, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &w, nullptr);
  metrics->averageCharWidth = (w + 26) / 52;
  return true;
}

int TextWidth(const FontState& font, const std::string& text) {
  TTF_Font* f = OpenFont(font);
  if (!f || text.empty()) return 0;
  int w = 0;
  TTF_SizeUTF8(f, text.c_str(), &w, nullptr);
  return w;
}

namespace {

int FloorDiv(long long a, long long b) {
  const long long q = a / b;
  return static_cast<int>((a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q);
}

// The font at the scaled size: its pixel height scaled and rounded.
FontState ScaledFont(const FontState& font, TextScaling scale) {
  FontState f;
  f.face = font.face;
  f.bold = font.bold;
  f.pixelHeight =
      std::max(1, FloorDiv(2LL * font.pixelHeight * scale.num + scale.den, 2LL * scale.den));
  return f;
}

// Composites text in color onto target, its cell's top-left at (x, y),
// through clip; returns the cell's rectangle.
RECT Composite(pixman_image_t* target, const pixman_region32_t* clip, TTF_Font* f, int x, int y,
               const std::string& text, COLORREF color) {
  SDL_Color c{static_cast<Uint8>(GetRValue(color)), static_cast<Uint8>(GetGValue(color)),
              static_cast<Uint8>(GetBValue(color)), 255};
  SDL_Surface* rendered = TTF_RenderUTF8_Blended(f, text.c_str(), c);
  if (!rendered) return RECT{};
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(rendered);
  if (!argb) return RECT{};
  const RECT drawn{x, y, x + argb->w, y + argb->h};
  SDL_LockSurface(argb);
  // SDL_ttf's pixels are not premultiplied, so they serve only as the
  // coverage mask of a solid source in the text colour.
  pixman_image_t* mask = pixman_image_create_bits(
      PIXMAN_a8r8g8b8, argb->w, argb->h, static_cast<uint32_t*>(argb->pixels), argb->pitch);
  const pixman_color_t ink{static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                           static_cast<uint16_t>(c.b * 257), 0xFFFF};
  pixman_image_t* src = mask ? pixman_image_create_solid_fill(&ink) : nullptr;
  if (src) {
    pixman_region32_t region;
    pixman_region32_init_rect(&region, x, y, static_cast<unsigned>(argb->w),
                              static_cast<unsigned>(argb->h));
    if (clip) pixman_region32_intersect(&region, &region, const_cast<pixman_region32_t*>(clip));
    pixman_image_set_clip_region32(target, &region);
    pixman_image_composite32(PIXMAN_OP_OVER, src, mask, target, 0, 0, 0, 0, x, y, argb->w, argb->h);
    pixman_image_set_clip_region32(target, nullptr);
    pixman_region32_fini(&region);
    pixman_image_unref(src);
  }
  if (mask) pixman_image_unref(mask);
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return drawn;
}

}  // namespace

RECT DrawTextRun(Surface& target, const pixman_region32_t* clip, const FontState& font, int x,
                 int y, const std::string& text, COLORREF color) {
  TTF_Font* f = OpenFont(font);
  if (!f || text.empty() || !target.image) return RECT{};
  return Composite(target.image, clip, f, x, y, text, color);
}

RECT ScaledTextExtent(const FontState& font, int x, int y, const std::string& text,
                      TextScaling scale) {
  FontMetrics m;
  if (text.empty() || !GetFontMetrics(font, &m)) return RECT{};
  RECT r{x, y, x + TextWidth(font, text), y + m.height};
  const FontState big = ScaledFont(font, scale);
  FontMetrics bm;
  if (!GetFontMetrics(big, &bm)) return r;
  // The scaled cell in screen pixels, and back to the surface pixels whose
  // blocks hold it.
  const long long sx = FloorDiv(1LL * x * scale.num, scale.den);
  const long long sy = FloorDiv(1LL * y * scale.num, scale.den);
  const long long ex = sx + TextWidth(big, text), ey = sy + bm.height;
  r.left = std::min<LONG>(r.left, FloorDiv(sx * scale.den, scale.num));
  r.top = std::min<LONG>(r.top, FloorDiv(sy * scale.den, scale.num));
  r.right = std::max<LONG>(r.right, -FloorDiv(-ex * scale.den, scale.num));
  r.bottom = std::max<LONG>(r.bottom, -FloorDiv(-ey * scale.den, scale.num));
  return r;
}

void DrawScaledTextRun(pixman_image_t* screen, const pixman_region32_t* clip, const FontState& font,
                       int x, int y, const std::string& text, COLORREF color, TextScaling scale,
                       int originX, int originY) {
  TTF_Font* f = OpenFont(ScaledFont(font, scale));
  if (!f || text.empty() || !screen || scale.num <= 0 || scale.den <= 0) return;
  Composite(screen, clip, f, originX + FloorDiv(1LL * x * scale.num, scale.den),
            originY + FloorDiv(1LL * y * scale.num, scale.den), text, color);
}

}  // namespace fw
