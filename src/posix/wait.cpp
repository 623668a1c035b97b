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

unsigned WaitForInputs(std::initializer_list<int> fds, double ms) {
  constexpr std::size_t kMost = 4;
  pollfd polled[kMost + 1] = {};
  std::size_t n = 0;
  for (const int fd : fds)
    if (n < kMost) polled[n++] = {fd, POLLIN, 0};
  polled[n] = {SignalFd(), POLLIN, 0};
  timespec timeout{};
  // A deadline already past (or a NaN) waits not at all.
  if (ms > 0 && ms != kWaitForever) {
    timeout.tv_sec = static_cast<time_t>(ms / 1000);
    timeout.tv_nsec = static_cast<long>(std::fmod(ms, 1000.0) * 1e6);
  }
  if (ppoll(polled, n + 1, ms == kWaitForever ? nullptr : &timeout, nullptr) <= 0) return 0;
  unsigned readable = 0;
  for (std::size_t i = 0; i < n; ++i)
    if ((polled[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) readable |= 1u << i;
  return readable;
}

bool WaitForInput(int fd, double ms) { return (WaitForInputs({fd}, ms) & 1u) != 0; }
