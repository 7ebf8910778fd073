#include "framework/sdl/screen_scale.h"

#include <numeric>

namespace fw::sdl {

namespace {

constexpr int kStageWidth = 640;
constexpr int kStageHeightWithDrop = 520;  // 480 and the 20-pixel drop twice

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

}  // namespace

int ScaleFactor::ToScreenFloor(int n) const {
  return static_cast<int>(FloorDiv(static_cast<std::int64_t>(n) * num, den));
}

int ScaleFactor::ToScreenCeil(int n) const {
  return static_cast<int>(-FloorDiv(-static_cast<std::int64_t>(n) * num, den));
}

int ScaleFactor::ToLogical(int p) const {
  return static_cast<int>(FloorDiv(static_cast<std::int64_t>(p) * den, num));
}

int CentredOffset(int screen, int logical, ScaleFactor f) {
  const std::int64_t left =
      static_cast<std::int64_t>(screen) * f.den - static_cast<std::int64_t>(logical) * f.num;
  return left <= 0 ? 0 : static_cast<int>(left / (2 * static_cast<std::int64_t>(f.den)));
}

ScreenScale ComputeScreenScale(int displayWidth, int displayHeight) {
  ScreenScale s;
  if (displayWidth < 1 || displayHeight < 1) return s;
  if (displayWidth >= kStageWidth && displayHeight >= kStageHeightWithDrop) {
    // The smaller of the two ratios, compared without rounding.
    const bool widthBinds = static_cast<std::int64_t>(displayWidth) * kStageHeightWithDrop <=
                            static_cast<std::int64_t>(displayHeight) * kStageWidth;
    int num = widthBinds ? displayWidth : displayHeight;
    int den = widthBinds ? kStageWidth : kStageHeightWithDrop;
    const int g = std::gcd(num, den);
    s.factor = ScaleFactor{num / g, den / g};
  }
  const ScaleFactor& f = s.factor;
  s.logicalWidth = f.ToLogical(displayWidth);
  s.logicalHeight = f.ToLogical(displayHeight);
  s.offsetX = CentredOffset(displayWidth, s.logicalWidth, f);
  s.offsetY = CentredOffset(displayHeight, s.logicalHeight, f);
  return s;
}

}  // namespace fw::sdl
