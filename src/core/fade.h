// The full-screen window's fade-in and the opacity byte it hands the system.
#pragma once

#include <cstdint>

// The beat every platform draws on: one frame and one fade tick each 31 ms.
constexpr unsigned kFrameIntervalMs = 31;

// FadeLevel after one more tick: +0.01 while below 1, then unchanged.
double NextFadeLevel(double fadeLevel);

// round(Brightness * 25 * fadeLevel + 5) in x87 extended precision, ties to
// even, saturated to 0..255 (0 = invisible, 255 = opaque).
std::uint8_t OpacityByte(std::int32_t bright, double fadeLevel);
