#include "core/window_size.h"

#include <algorithm>

PixelSize OuterSizeHolding(PixelSize content, FrameInsets frame, PixelSize minimum) {
  return PixelSize{std::max(minimum.width, content.width + frame.left + frame.right),
                   std::max(minimum.height, content.height + frame.top + frame.bottom)};
}
