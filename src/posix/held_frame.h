// FLINDRA_HELD_FRAME=SEED,FRAMES: the tests' way to hold one frame of a
// seeded field, so that a screenshot can be held against the core's own.
#pragma once

#include <cstdint>
#include <optional>

#include "core/flakes.h"

struct HeldFrame {
  std::uint32_t seed = 0;
  int frames = 1;  // 1 to 100000: the frame shown is the field after this many steps
};

// The frame the environment asks to hold; none when unset or malformed.
std::optional<HeldFrame> HeldFrameFromEnvironment();

// Starts the field from the held seed and steps it to the held frame with
// settings; returns that frame's number of flakes to draw.
int StartHeldField(FlakeField& field, const HeldFrame& held, const Settings& settings);
