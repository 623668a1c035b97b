// The scene every surface draws: camera, capabilities, light and one frame of
// a flake field, for whatever context is current.
#pragma once

#include "core/flakes.h"

// The aspect ratio handed to GLU: width / height rounded to a 32-bit float
// and widened. A height of 0 (a window not yet measured) gives 1, a square
// camera, instead of an infinity or a NaN.
double AspectRatio(int width, int height);

// Viewport viewWidth x viewHeight; projection = perspective(45 degrees,
// aspect, 0.1, 100) x look-at from (0, 0, 5) to the origin. The projection
// matrix stays current; the model-view matrix is never touched.
void SetupProjection(int viewWidth, int viewHeight, int aspectWidth, int aspectHeight);

// The scene state a new context needs before its first frame: clear colour
// black, SetupProjection, then alpha test, depth test, colour material,
// lighting and blending on and one positional white light (light 1).
void SetupScene(int viewWidth, int viewHeight, int aspectWidth, int aspectHeight);

// One frame into the back buffer: clear colour and depth, then StepFlakes and
// DrawFlakes. The platform swaps.
void DrawFrame(FlakeField& field, const Settings& settings);
