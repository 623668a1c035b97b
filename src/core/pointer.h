// How a saver tells a move of the pointer from jitter, alike on every
// platform: a pointer that strays more than kPointerSlack pixels on either
// axis from where it was first seen ends the saver.
#pragma once

constexpr int kPointerSlack = 4;  // pixels, either axis

// dx, dy: pixels from where the pointer was first seen.
constexpr bool PointerStrayed(double dx, double dy) {
  return dx > kPointerSlack || dx < -kPointerSlack || dy > kPointerSlack || dy < -kPointerSlack;
}
