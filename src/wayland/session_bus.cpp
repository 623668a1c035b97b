#include "wayland/session_bus.h"

#include <poll.h>

#include <algorithm>
#include <cstdint>

#include "posix/wait.h"

double BusDueMs(sd_bus* bus) {
  std::uint64_t at = 0;
  if (sd_bus_get_timeout(bus, &at) < 0) return 0;
  double due = at == UINT64_MAX ? kWaitForever : static_cast<double>(at) / 1000;
  // NOTE: the wait is for reading only: what the socket could not take at once goes at the next dispatch.
  if ((sd_bus_get_events(bus) & POLLOUT) != 0) due = std::min(due, MsNow() + 50);
  return due;
}

bool DispatchBus(sd_bus* bus) {
  int handled = 0;
  while ((handled = sd_bus_process(bus, nullptr)) > 0) {
  }
  return handled >= 0 && sd_bus_is_open(bus) > 0;
}
