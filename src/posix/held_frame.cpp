#include "posix/held_frame.h"

#include <cstdio>
#include <cstdlib>

std::optional<HeldFrame> HeldFrameFromEnvironment() {
  const char* held = std::getenv("FLINDRA_HELD_FRAME");
  unsigned long seed = 0;
  int frames = 0;
  if (held == nullptr || std::sscanf(held, "%lu,%d", &seed, &frames) != 2 || frames < 1 || frames > 100000)
    return std::nullopt;
  return HeldFrame{static_cast<std::uint32_t>(seed), frames};
}

int StartHeldField(FlakeField& field, const HeldFrame& held, const Settings& settings) {
  StartField(field, FirstSwayStep(settings.Speed), held.seed);
  int flakes = 0;
  for (int i = 0; i < held.frames; ++i) flakes = StepFlakes(field, settings);
  return flakes;
}
