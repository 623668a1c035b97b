// Where the saver's windows go: one rectangle per monitor, in virtual-screen
// pixels, the primary monitor's first.
#pragma once

#include <vector>

#include "core/monitors.h"

std::vector<ScreenRect> SaverWindowRects();
