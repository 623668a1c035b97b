#include "wayland/surface_plan.h"

#include <algorithm>

namespace {

// wp_fractional_scale_v1's rule: the logical size times the scale, rounded
// half away from zero.
int scaled120(int logical, int scale120) { return (logical * scale120 + 60) / 120; }

BufferPlan viewported(int width, int height, const ScaleFacts& f) {
  return BufferPlan{std::max(width, 1), std::max(height, 1), 1, true, f.width, f.height};
}

}  // namespace

bool operator==(const BufferPlan& a, const BufferPlan& b) {
  return a.width == b.width && a.height == b.height && a.bufferScale == b.bufferScale && a.viewport == b.viewport &&
         a.viewportWidth == b.viewportWidth && a.viewportHeight == b.viewportHeight;
}

BufferPlan PlanBuffer(const ScaleFacts& f) {
  if (f.viewporter && f.fractionalScale120 > 0 && f.fractionalScale120 % 120 != 0)
    return viewported(scaled120(f.width, f.fractionalScale120), scaled120(f.height, f.fractionalScale120), f);
  const int whole = f.fractionalScale120 > 0 && f.fractionalScale120 % 120 == 0 ? f.fractionalScale120 / 120
                    : f.preferredScale > 0                                      ? f.preferredScale
                                                                                : std::max(f.outputScale, 1);
  const bool coversOutput = f.width == f.outputWidth && f.height == f.outputHeight && f.width > 0;
  const bool fractional = f.modeWidth != f.width * whole || f.modeHeight != f.height * whole;
  if (f.viewporter && f.fractionalScale120 == 0 && f.preferredScale == 0 && coversOutput && f.modeWidth > 0 && f.modeHeight > 0 && fractional)
    return viewported(f.modeWidth, f.modeHeight, f);
  return BufferPlan{f.width * whole, f.height * whole, whole, false, 0, 0};
}
