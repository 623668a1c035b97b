// The fade-in every platform shows: from nearly black to the Brightness
// opacity over 100 beats, and the opacity byte for a fade level.
#pragma once

#include <cstdint>

// FadeLevel after one more tick: +0.01 while below 1, then unchanged.
double NextFadeLevel(double fadeLevel);

// round(Brightness * 25 * fadeLevel + 5) in x87 extended precision, ties to
// even, saturated to 0..255 (0 = invisible, 255 = opaque).
std::uint8_t OpacityByte(std::int32_t bright, double fadeLevel);

// The fade every platform runs, one tick a beat, in one order: the level
// rises, then the opacity is taken. The first tick gives the level 0.01.
class FadeIn {
 public:
  explicit FadeIn(double level = 0) : level_(level) {}

  // One beat: the next level's opacity byte for the Brightness setting.
  std::uint8_t tick(std::int32_t brightness) {
    level_ = NextFadeLevel(level_);
    return OpacityByte(brightness, level_);
  }
  // The byte the last tick gave (or the start's, before any tick).
  std::uint8_t opacity(std::int32_t brightness) const { return OpacityByte(brightness, level_); }
  bool done() const { return level_ >= 1; }

 private:
  double level_;  // 0 at start, +0.01 a tick up to 1.0000000000000007
};
