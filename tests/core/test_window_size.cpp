#include <gtest/gtest.h>

#include <utility>

#include "core/window_size.h"

namespace {

std::pair<int, int> widthAndHeight(PixelSize s) { return {s.width, s.height}; }

// The settings dialog: its controls reach 350 x 152 at 96 DPI (the right
// sliders' edge, the buttons' bottom) and 525 x 228 at 144; it is 360 x 180
// (540 x 270) where that fits.
TEST(DialogSize, ItsControlsFitUnderEveryFrameAndNothingChangesWhereTheyDid) {
  const struct {
    const char* frame;
    FrameInsets insets;
    PixelSize content, minimum, outer;
  } rows[] = {
      // Wine's thin frame: the client area already holds them.
      {"Wine, 96 DPI", {3, 20, 3, 3}, {350, 152}, {360, 180}, {360, 180}},
      // Windows 10: a 23-pixel tool-window caption over 7-pixel padded
      // borders (3 fixed frame + 4 padding), as AdjustWindowRectExForDpi
      // gives them; 180 would leave a client area 143 high.
      {"Windows 10, 96 DPI", {7, 30, 7, 7}, {350, 152}, {360, 180}, {364, 189}},
      {"Windows 10, 144 DPI", {10, 44, 10, 10}, {525, 228}, {540, 270}, {545, 282}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(widthAndHeight(OuterSizeHolding(row.content, row.insets, row.minimum)), widthAndHeight(row.outer))
        << row.frame;
}

}  // namespace
