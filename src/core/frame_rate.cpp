#include "core/frame_rate.h"

#include <cstdio>

void FrameRate::countFrame(double nowSeconds) {
  if (since_ < 0) {
    since_ = nowSeconds;
    return;
  }
  ++frames_;
  if (nowSeconds - since_ < 1.0) return;
  std::snprintf(text_, sizeof text_, "FPS: %.1f", frames_ / (nowSeconds - since_));
  since_ = nowSeconds;
  frames_ = 0;
}
