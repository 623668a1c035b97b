#include "web/beat.h"

#include <cmath>

#include "core/fade.h"

int Beat::due(double nowMs) {
  const double interval = kFrameIntervalMs;
  const double reach = nowMs + interval / 2;  // how far ahead this paint may step
  if (!started_ || reach - next_ >= kMaxCatchUp * interval) {
    started_ = true;
    next_ = nowMs + interval;
    return 1;
  }
  if (reach < next_) return 0;
  const int steps = static_cast<int>(std::floor((reach - next_) / interval)) + 1;
  next_ += steps * interval;
  return steps;
}
