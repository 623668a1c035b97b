// What the tests (and the benchmarks) may ask of the Linux programs, all
// through one variable that no one else sets, FLINDRA_TEST_SEAM, a list
// separated by commas:
//   report                  a line on standard error as each state is
//                           reached, for a test to wait on (flindra,
//                           flindra-wayland, the benchmarks' references)
//   no-layer-shell          flindra-wayland takes the path of desks without
//                           a layer shell (full-screen windows) where there
//                           is one
//   held-frame=SEED:FRAMES  one unmoving frame of a seeded field, so a
//                           screenshot can be held against the core's own
//                           (flindra-wayland, the settings window's preview)
// This is the one place that reads it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/flakes.h"

struct HeldFrame {
  std::uint32_t seed = 0;
  int frames = 1;  // 1 to 100000: the frame shown is the field after this many steps
};

struct TestSeam {
  bool report = false;
  bool noLayerShell = false;
  std::optional<HeldFrame> heldFrame;
};

// The seam in text; false with why naming the first item it cannot take.
bool ParseTestSeam(const std::string& text, TestSeam& seam, std::string& why);

// The seam FLINDRA_TEST_SEAM asks for (none when unset), read once; an item
// it cannot take ends the program with one line (Fail).
const TestSeam& TestSeamFromEnvironment();

// Starts the field from the held seed and steps it to the held frame with
// settings; returns that frame's number of flakes to draw.
int StartHeldField(FlakeField& field, const HeldFrame& held, const Settings& settings);
