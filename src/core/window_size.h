// The settings dialog's outer size from its frame: its controls must fit the
// client area whatever caption and borders the system draws around it.
#pragma once

#include <cstdint>

struct PixelSize {
  std::int32_t width, height;  // pixels
};

// What a window frame adds on each side of the client area, in pixels (as
// AdjustWindowRectEx reports it for the window's styles and DPI).
struct FrameInsets {
  std::int32_t left, top, right, bottom;
};

// The outer size whose client area reaches content (the controls' right and
// bottom edges, from the client's top left) inside frame; never smaller than
// minimum in either direction.
PixelSize OuterSizeHolding(PixelSize content, FrameInsets frame, PixelSize minimum);
