// An sd-bus connection polled by the frame loop beside the compositor's.
#pragma once

#include <systemd/sd-bus.h>

// When the bus wants handling with nothing to read, in ms on MsNow's clock;
// kWaitForever when nothing does.
double BusDueMs(sd_bus* bus);

// Handles everything the bus has for us; false when the bus went away.
bool DispatchBus(sd_bus* bus);
