// The clock a Linux program's beat runs on and the one place its main loop
// sleeps: until its display has something to read, a signal came, or the
// next beat is due.
#pragma once

// Milliseconds on the steady clock (CLOCK_MONOTONIC).
double MsNow();

// Waits at most ms milliseconds (none for 0 or less) for fd to become
// readable or a handled signal to come (posix/process). True when fd is
// readable.
bool WaitForInput(int fd, double ms);
