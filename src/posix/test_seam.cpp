#include "posix/test_seam.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "posix/process.h"

namespace {

bool parseHeldFrame(const std::string& value, HeldFrame& held) {
  unsigned long seed = 0;
  int frames = 0;
  char end = 0;
  if (std::sscanf(value.c_str(), "%lu:%d%c", &seed, &frames, &end) != 2 || seed > 0xFFFFFFFFul || frames < 1 ||
      frames > 100000)
    return false;
  held = HeldFrame{static_cast<std::uint32_t>(seed), frames};
  return true;
}

}  // namespace

bool ParseTestSeam(const std::string& text, TestSeam& seam, std::string& why) {
  std::istringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    HeldFrame held;
    if (item == "report") seam.report = true;
    else if (item == "no-layer-shell") seam.noLayerShell = true;
    else if (item.rfind("held-frame=", 0) == 0 && parseHeldFrame(item.substr(11), held)) seam.heldFrame = held;
    else {
      why = "FLINDRA_TEST_SEAM: cannot take '" + item + "' (report, no-layer-shell, held-frame=SEED:FRAMES)";
      return false;
    }
  }
  return true;
}

const TestSeam& TestSeamFromEnvironment() {
  static const TestSeam seam = [] {
    TestSeam read;
    std::string why;
    const char* text = std::getenv("FLINDRA_TEST_SEAM");
    if (text != nullptr && !ParseTestSeam(text, read, why)) Fail(why);
    return read;
  }();
  return seam;
}

int StartHeldField(FlakeField& field, const HeldFrame& held, const Settings& settings) {
  StartField(field, FirstSwayStep(settings.Speed), held.seed);
  int flakes = 0;
  for (int i = 0; i < held.frames; ++i) flakes = StepFlakes(field, settings);
  return flakes;
}
