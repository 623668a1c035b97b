#include <gtest/gtest.h>

#include <utility>

#include "core/window_size.h"

namespace {

std::pair<int, int> widthAndHeight(PixelSize s) { return {s.width, s.height}; }

// The settings dialog: its controls reach 350 x 152 at 96 DPI (the right
// sliders' edge, the buttons' bottom) and 526 x 229 at 144 (each length
// scaled on its own, halves up: 278 + 248, 203 + 26); it is 360 x 180
// (540 x 270) where that fits.
TEST(DialogSize, ItsControlsFitUnderEveryFrameAndNothingChangesWhereTheyDid) {
  const struct {
    const char* frame;
    int dpi;
    FrameInsets insets;
    PixelSize content, minimum, outer;
  } rows[] = {
      // Wine's thin frame: the client area already holds them.
      {"Wine, 96 DPI", 96, {3, 20, 3, 3}, {350, 152}, {360, 180}, {360, 180}},
      // Windows 10: a 23-pixel tool-window caption over 7-pixel padded
      // borders (3 fixed frame + 4 padding), as AdjustWindowRectExForDpi
      // gives them; 180 would leave a client area 143 high.
      {"Windows 10, 96 DPI", 96, {7, 30, 7, 7}, {350, 152}, {360, 180}, {364, 189}},
      {"Windows 10, 144 DPI", 144, {10, 44, 10, 10}, {526, 229}, {540, 270}, {546, 283}},
  };
  for (const auto& row : rows) {
    const DialogLayout layout = SettingsDialogLayout(row.dpi);
    EXPECT_EQ(widthAndHeight(layout.content), widthAndHeight(row.content)) << row.frame;
    EXPECT_EQ(widthAndHeight(layout.minimum), widthAndHeight(row.minimum)) << row.frame;
    EXPECT_EQ(widthAndHeight(OuterSizeHolding(layout.content, row.insets, layout.minimum)), widthAndHeight(row.outer))
        << row.frame;
  }
}

}  // namespace
