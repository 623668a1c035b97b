#include "wayland/surface_plan.h"

#include <algorithm>

namespace {

// wp_fractional_scale_v1's rule: the logical size times the scale, rounded
// half away from zero.
int scaled120(int logical, int scale120) { return (logical * scale120 + 60) / 120; }

BufferPlan viewported(int width, int height, const ScaleFacts& f) {
  return BufferPlan{std::max(width, 1), std::max(height, 1), 1, true, f.width, f.height};
}

// One side of a surface over its whole output at a fractional scale: the
// compositor rounds the output's logical size down (1280 pixels at 1.75 are
// 731.43 logical pixels, told as 731, which cover 1279.25), so where the
// mode reaches into one logical pixel more, the surface takes that pixel
// (its overhang falls off the output's edge) and the mode's last pixels show
// flakes, not the desktop. Sets logical and pixels.
void coverMode(int mode, int scale120, int& logical, int& pixels) {
  if (pixels < mode && mode * 120LL <= (logical + 1LL) * scale120) {  // a nonsense mode cannot overflow
    ++logical;
    pixels = scaled120(logical, scale120);
  }
}

}  // namespace

bool operator==(const BufferPlan& a, const BufferPlan& b) {
  return a.width == b.width && a.height == b.height && a.bufferScale == b.bufferScale && a.viewport == b.viewport &&
         a.viewportWidth == b.viewportWidth && a.viewportHeight == b.viewportHeight;
}

BufferPlan PlanBuffer(const ScaleFacts& f) {
  const int scale120 = std::min(f.fractionalScale120, 120 * kMostScale);
  const bool coversOutput = f.width == f.outputWidth && f.height == f.outputHeight && f.width > 0;
  if (f.viewporter && scale120 > 0 && scale120 % 120 != 0) {
    BufferPlan plan = viewported(scaled120(f.width, scale120), scaled120(f.height, scale120), f);
    if (coversOutput) {
      coverMode(f.modeWidth, scale120, plan.viewportWidth, plan.width);
      coverMode(f.modeHeight, scale120, plan.viewportHeight, plan.height);
    }
    return plan;
  }
  const int whole = std::min(scale120 > 0 && scale120 % 120 == 0 ? scale120 / 120
                             : f.preferredScale > 0              ? f.preferredScale
                                                                 : std::max(f.outputScale, 1),
                             kMostScale);
  const bool fractional = f.modeWidth != f.width * whole || f.modeHeight != f.height * whole;
  if (f.viewporter && f.fractionalScale120 == 0 && f.preferredScale == 0 && coversOutput && f.modeWidth > 0 && f.modeHeight > 0 && fractional)
    return viewported(f.modeWidth, f.modeHeight, f);
  return BufferPlan{f.width * whole, f.height * whole, whole, false, 0, 0};
}
