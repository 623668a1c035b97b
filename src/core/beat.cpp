#include "core/beat.h"

bool Beat::due(double nowMs) {
  if (started_ && nowMs < next_ - interval_ / 2) return false;
  // The first step, or one after falling more than a beat behind, sets the
  // schedule from now; otherwise it keeps its phase.
  if (!started_ || nowMs - next_ > interval_) next_ = nowMs;
  started_ = true;
  next_ += interval_;
  return true;
}

double Beat::msUntilDue(double nowMs) const {
  if (!started_ || nowMs >= next_) return 0;
  return next_ - nowMs;
}
