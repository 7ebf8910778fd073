#include "framework/sdl/sharp_scaler.h"

#include <algorithm>
#include <cstring>

namespace fw::sdl {

namespace {

// Every pixel written is opaque, whatever the source's unused byte holds.
constexpr std::uint32_t kOpaque = 0xFF000000u;

// a and b mixed, b weighing w / 256; two channels at a time in 16-bit lanes
// (255 * 256 + 128 still fits one).
inline std::uint32_t Mix(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
  const std::uint32_t v = 256 - w;
  const std::uint32_t rb = ((a & 0xFF00FF) * v + (b & 0xFF00FF) * w + 0x800080) >> 8;
  const std::uint32_t g = ((a & 0x00FF00) * v + (b & 0x00FF00) * w + 0x008000) >> 8;
  return (rb & 0xFF00FF) | (g & 0x00FF00);
}

void MixRow(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t w, std::uint32_t* out,
            int n) {
  for (int i = 0; i < n; ++i) out[i] = Mix(a[i], b[i], w) | kOpaque;
}

}  // namespace

SharpScaler::SharpScaler(ScaleFactor factor, int originX, int originY, int logicalWidth,
                         int logicalHeight, int screenWidth, int screenHeight)
    : factor_(factor),
      originX_(originX),
      originY_(originY),
      logicalWidth_(std::max(0, logicalWidth)),
      logicalHeight_(std::max(0, logicalHeight)),
      screenWidth_(std::max(0, screenWidth)),
      screenHeight_(std::max(0, screenHeight)),
      columns_(Taps(factor, originX, logicalWidth_, screenWidth_)),
      rows_(Taps(factor, originY, logicalHeight_, screenHeight_)),
      padded_(static_cast<size_t>(logicalWidth_) + 2, 0) {}

std::vector<SharpScaler::Tap> SharpScaler::Taps(ScaleFactor f, int origin, int logical,
                                                int screen) {
  std::vector<Tap> taps(static_cast<size_t>(screen));
  for (int p = 0; p < screen; ++p) {
    // In 1/den of a screen pixel, the pixel spans [p * den, (p + 1) * den) and
    // logical pixel i starts at origin * den + i * num.
    const int i = f.ToLogical(p - origin);
    const std::int64_t next =
        static_cast<std::int64_t>(origin) * f.den + static_cast<std::int64_t>(i + 1) * f.num;
    const std::int64_t end = static_cast<std::int64_t>(p + 1) * f.den;
    int weight = 0;
    if (next < end) {
      weight = static_cast<int>(((end - next) * 512 + f.den) / (2 * f.den));  // rounded
    }
    // Outside the logical pixels everything is black: index 0 and the last
    // padded index hold black.
    Tap t;
    if (i < -1) {
      t = Tap{0, 0};
    } else if (i >= logical) {
      t = Tap{logical + 1, 0};
    } else {
      t = Tap{i + 1, weight};
    }
    taps[static_cast<size_t>(p)] = t;
  }
  return taps;
}

RECT SharpScaler::ScreenRect(const RECT& r) const {
  RECT s{originX_ + factor_.ToScreenFloor(r.left), originY_ + factor_.ToScreenFloor(r.top),
         originX_ + factor_.ToScreenCeil(r.right), originY_ + factor_.ToScreenCeil(r.bottom)};
  s.left = std::clamp(s.left, 0, screenWidth_);
  s.top = std::clamp(s.top, 0, screenHeight_);
  s.right = std::clamp(s.right, s.left, screenWidth_);
  s.bottom = std::clamp(s.bottom, s.top, screenHeight_);
  return s;
}

void SharpScaler::Scale(const Surface& source, const ScreenPixels& screen, const RECT& rect) {
  if (source.width != logicalWidth_ || source.height != logicalHeight_ || !screen.pixels) return;
  const int x0 = std::max<int>(rect.left, 0);
  const int y0 = std::max<int>(rect.top, 0);
  const int x1 = std::min({static_cast<int>(rect.right), screenWidth_, screen.width});
  const int y1 = std::min({static_cast<int>(rect.bottom), screenHeight_, screen.height});
  if (x1 <= x0 || y1 <= y0) return;
  const int w = x1 - x0;
  // The padded logical rows these screen rows read.
  const int r0 = rows_[static_cast<size_t>(y0)].index;
  const Tap& last = rows_[static_cast<size_t>(y1 - 1)];
  const int r1 = last.index + (last.weight > 0 ? 1 : 0);
  widened_.resize(static_cast<size_t>(r1 - r0 + 1) * static_cast<size_t>(w));
  const int srcStride = source.stride / 4;
  for (int r = r0; r <= r1; ++r) {
    std::uint32_t* out = widened_.data() + static_cast<size_t>(r - r0) * static_cast<size_t>(w);
    if (r < 1 || r > logicalHeight_) {
      std::fill(out, out + w, kOpaque);
      continue;
    }
    std::memcpy(padded_.data() + 1, source.pixels + static_cast<size_t>(r - 1) * srcStride,
                static_cast<size_t>(logicalWidth_) * 4);
    const std::uint32_t* in = padded_.data();
    const Tap* taps = columns_.data() + x0;
    for (int x = 0; x < w; ++x) {
      const Tap t = taps[x];
      out[x] = kOpaque | (t.weight == 0 ? in[t.index]
                                        : Mix(in[t.index], in[t.index + 1],
                                              static_cast<std::uint32_t>(t.weight)));
    }
  }
  for (int y = y0; y < y1; ++y) {
    const Tap t = rows_[static_cast<size_t>(y)];
    const std::uint32_t* a =
        widened_.data() + static_cast<size_t>(t.index - r0) * static_cast<size_t>(w);
    auto* out = reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(screen.pixels) +
                                                 static_cast<std::ptrdiff_t>(y) * screen.stride) +
                x0;
    if (t.weight == 0) {
      std::memcpy(out, a, static_cast<size_t>(w) * 4);
    } else {
      MixRow(a, a + w, static_cast<std::uint32_t>(t.weight), out, w);
    }
  }
}

}  // namespace fw::sdl
