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
  const int scale120 = std::min(f.fractionalScale120, 120 * kMostScale);
  if (f.viewporter && scale120 > 0 && scale120 % 120 != 0)
    return viewported(scaled120(f.width, scale120), scaled120(f.height, scale120), f);
  const int whole = std::min(scale120 > 0 && scale120 % 120 == 0 ? scale120 / 120
                             : f.preferredScale > 0              ? f.preferredScale
                                                                 : std::max(f.outputScale, 1),
                             kMostScale);
  const bool coversOutput = f.width == f.outputWidth && f.height == f.outputHeight && f.width > 0;
  const bool fractional = f.modeWidth != f.width * whole || f.modeHeight != f.height * whole;
  if (f.viewporter && f.fractionalScale120 == 0 && f.preferredScale == 0 && coversOutput && f.modeWidth > 0 && f.modeHeight > 0 && fractional)
    return viewported(f.modeWidth, f.modeHeight, f);
  return BufferPlan{f.width * whole, f.height * whole, whole, false, 0, 0};
}
