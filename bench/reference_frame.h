// The floor a frame cannot go below: the same OpenGL calls as the flake
// drawing, issued from precomputed floats with no model around them.
#pragma once

#include "core/flakes.h"

// Fills the reference's table once from a seeded field: the same still frame
// the saver draws with Size 3 and no sway.
void PrepareReferenceFrame(const FlakeField& field);

// The scene state the frame needs, written out call by call (deliberately
// not through our SetupScene: this is what we measure against).
void SetupReferenceScene(int width, int height);

// glClear, 101 flakes x 6 arms x 36 immediate-mode points with a colour
// call each, the same pushes, rotations, translations and pops.
void DrawReferenceFrame();
