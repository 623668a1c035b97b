// The settings dialog's geometry: where its controls go at a DPI, and its
// outer size from its frame: its controls must fit the client area whatever
// caption and borders the system draws around it.
#pragma once

#include <cstdint>

#include "core/settings.h"

struct PixelSize {
  std::int32_t width, height;  // pixels
};

// What a window frame adds on each side of the client area, in pixels (as
// AdjustWindowRectEx reports it for the window's styles and DPI).
struct FrameInsets {
  std::int32_t left, top, right, bottom;
};

// A control's place, pixels from the client area's top left.
struct ControlRect {
  std::int32_t left, top, width, height;
};

constexpr int kDialogButtonCount = 3;  // Save, Our site, Cancel
constexpr PixelSize kDialogSizeAt96{360, 180};  // the smallest outer size at 96 DPI

// The dialog's controls at dpi (96 is 100 %): every length at 96 DPI scaled
// on its own, to nearest with halves away from zero, as Win32's MulDiv does.
struct DialogLayout {
  ControlRect sliders[kSettingCount];  // in the settings table's order
  ControlRect labels[kSettingCount];   // top left only: a label takes its text's size
  ControlRect buttons[kDialogButtonCount];
  std::int32_t thumbLength, fontHeight;  // a slider's thumb, the text's cell height; pixels
  std::int32_t bottomMargin;             // from the screen's bottom edge to the client area's, pixels
  PixelSize content;  // as far right and down as a slider or a button reaches
  PixelSize minimum;  // the smallest outer size
};
DialogLayout SettingsDialogLayout(int dpi);

// The outer size whose client area reaches content (the controls' right and
// bottom edges, from the client's top left) inside frame; never smaller than
// minimum in either direction.
PixelSize OuterSizeHolding(PixelSize content, FrameInsets frame, PixelSize minimum);
