// How the page's flake field starts and, for a fixed seed and frame count,
// the one frame it then holds. The native frame the browser's is compared
// with comes from here too.
#pragma once

#include "core/flakes.h"
#include "web/page_options.h"

// Seeds the field (from the options' seed, else the clock) and starts its
// sway at 0 with the first step of its Fast.
void StartPageField(FlakeField& field, const PageOptions& options);

// Starts the field and draws its frame number options.frames (1 when
// unset) into the current context: the earlier steps move the model only.
void DrawFixedFrame(FlakeField& field, const PageOptions& options);
