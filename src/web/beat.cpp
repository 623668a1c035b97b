#include "web/beat.h"

#include <cmath>

#include "core/fade.h"

int Beat::due(double nowMs) {
  const double interval = kFrameIntervalMs;
  if (!started_ || nowMs - next_ >= kMaxCatchUp * interval) {
    started_ = true;
    next_ = nowMs + interval;
    return 1;
  }
  if (nowMs < next_) return 0;
  const int steps = static_cast<int>(std::floor((nowMs - next_) / interval)) + 1;
  next_ += steps * interval;
  return steps;
}
