#include "core/fade.h"

#include <cmath>

double NextFadeLevel(double fadeLevel) { return fadeLevel < 1 ? fadeLevel + 0.01 : fadeLevel; }

std::uint8_t OpacityByte(std::int32_t bright, double fadeLevel) {
  // 64-bit product: Bright * 25 cannot overflow for any stored value.
  const long double scaled = static_cast<long double>(std::int64_t{bright} * 25);
  // NOTE: long double is the 80-bit x87 format with g++ and MinGW on x86-64;
  // only the final sum is rounded, as the fade table needs.
  const long double opacity = std::nearbyint(scaled * static_cast<long double>(fadeLevel) + 5.0L);
  if (opacity <= 0) return 0;
  if (opacity >= 255) return 255;
  return static_cast<std::uint8_t>(opacity);
}
