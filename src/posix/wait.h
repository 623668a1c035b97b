// The clock a Linux program's beat runs on and the one place its main loop
// sleeps: until its display has something to read, a signal came, or the
// next beat is due.
#pragma once

// Milliseconds on the steady clock (CLOCK_MONOTONIC).
double MsNow();

#include <initializer_list>
#include <limits>

constexpr double kWaitForever = std::numeric_limits<double>::infinity();

// Waits at most ms milliseconds (none for 0 or less, no end for
// kWaitForever) for one of fds to become readable or a handled signal to
// come (posix/process); a negative descriptor is passed over. Bit i of the
// result is set when fds[i] is readable.
unsigned WaitForInputs(std::initializer_list<int> fds, double ms);

// True when fd is readable (WaitForInputs with one descriptor).
bool WaitForInput(int fd, double ms);
