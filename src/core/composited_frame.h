// One frame for a compositor that blends by premultiplied alpha, as Wayland
// does: the saver's surfaces over the desktop, the settings window's
// preview over its black picture.
#pragma once

#include <cstdint>

#include "core/flakes.h"

// Into the current viewport, width x height pixels, of a context SetupScene
// set up: the clear sets every pixel's alpha to alpha / 255 (0 shows only
// what lies beneath, 255 hides it), then flakes flakes of field and, when
// frameRate is set, that text in the bottom-left corner write colour only
// (they blend by their own alpha, never the buffer's), and DimFrame scales
// the colours by opacity / 255. The platform swaps.
void DrawCompositedFrame(const FlakeField& field, const Settings& settings, int flakes, std::uint8_t alpha,
                         std::uint8_t opacity, const char* frameRate, int width, int height);
