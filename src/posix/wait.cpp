#include "posix/wait.h"

#include <poll.h>
#include <time.h>

#include <cmath>

#include "posix/process.h"

double MsNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

bool WaitForInput(int fd, double ms) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {SignalFd(), POLLIN, 0}};
  timespec timeout{};
  // A deadline already past (or a NaN) waits not at all.
  if (ms > 0) {
    timeout.tv_sec = static_cast<time_t>(ms / 1000);
    timeout.tv_nsec = static_cast<long>(std::fmod(ms, 1000.0) * 1e6);
  }
  return ppoll(fds, 2, &timeout, nullptr) > 0 && (fds[0].revents & POLLIN) != 0;
}
