#include "core/window_size.h"

#include <algorithm>

namespace {

// Places at 96 DPI, in pixels from the client area's top left.
struct SliderPlace {
  int left, top, labelLeft, labelTop;
};
constexpr SliderPlace kSliderPlaces[kSettingCount] = {
    {5, 25, 23, 5}, {5, 70, 23, 50}, {5, 115, 23, 95}, {185, 25, 205, 5}, {185, 70, 205, 50}, {185, 115, 205, 95},
};
constexpr int kSliderWidth = 165, kSliderHeight = 10, kThumbLength = 10;
constexpr int kButtonLefts[kDialogButtonCount] = {10, 87, 276};
constexpr int kButtonTop = 135, kButtonWidth = 70, kButtonHeight = 17;
constexpr int kBottomMargin = 50, kFontHeight = 13;

// pixelsAt96 (not negative) at dpi.
std::int32_t scaled(int pixelsAt96, int dpi) {
  return static_cast<std::int32_t>((std::int64_t{pixelsAt96} * dpi + 48) / 96);
}

ControlRect scaledRect(int left, int top, int width, int height, int dpi) {
  return ControlRect{scaled(left, dpi), scaled(top, dpi), scaled(width, dpi), scaled(height, dpi)};
}

void reach(PixelSize& content, const ControlRect& r) {
  content = PixelSize{std::max(content.width, r.left + r.width), std::max(content.height, r.top + r.height)};
}

}  // namespace

DialogLayout SettingsDialogLayout(int dpi) {
  DialogLayout d{};
  for (int i = 0; i < kSettingCount; ++i) {
    const SliderPlace& p = kSliderPlaces[i];
    d.sliders[i] = scaledRect(p.left, p.top, kSliderWidth, kSliderHeight, dpi);
    d.labels[i] = scaledRect(p.labelLeft, p.labelTop, 0, 0, dpi);
    reach(d.content, d.sliders[i]);
  }
  for (int i = 0; i < kDialogButtonCount; ++i) {
    d.buttons[i] = scaledRect(kButtonLefts[i], kButtonTop, kButtonWidth, kButtonHeight, dpi);
    reach(d.content, d.buttons[i]);
  }
  d.thumbLength = scaled(kThumbLength, dpi);
  d.fontHeight = scaled(kFontHeight, dpi);
  d.bottomMargin = scaled(kBottomMargin, dpi);
  d.minimum = PixelSize{scaled(kDialogSizeAt96.width, dpi), scaled(kDialogSizeAt96.height, dpi)};
  return d;
}

PixelSize OuterSizeHolding(PixelSize content, FrameInsets frame, PixelSize minimum) {
  return PixelSize{std::max(minimum.width, content.width + frame.left + frame.right),
                   std::max(minimum.height, content.height + frame.top + frame.bottom)};
}
