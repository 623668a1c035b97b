// Dimming a drawn frame where no window opacity can do it.
#pragma once

#include <cstdint>

// Darkens what the current viewport holds to opacity / 255 of it, as the
// frame would show through a window of that opacity over black (0 black,
// 255 unchanged). For surfaces whose window has no opacity of its own, such
// as one a host owns. Leaves the scene state as SetupScene set it.
void DimFrame(std::uint8_t opacity);
