#include "posix/process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

const char* programName = "flindra";

// The handler only notes which signal and writes a byte the main loop polls for.
int signalPipe[2] = {-1, -1};
volatile sig_atomic_t stopSignal = 0;

extern "C" void onSignal(int sig) {
  stopSignal = sig;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void NameProgram(const char* name) { programName = name; }

const char* ProgramName() { return programName; }

bool InstallSignalHandlers() {
  if (pipe(signalPipe) != 0) return false;
  for (const int fd : signalPipe) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

int SignalFd() { return signalPipe[0]; }

int StopSignal() { return stopSignal; }

void EndBySignal(int sig) {
  std::fflush(nullptr);
  signal(sig, SIG_DFL);
  raise(sig);
  _exit(128 + sig);  // not reached: the default action ends the process
}

void Fail(const std::string& line, int code) {
  std::fprintf(stderr, "%s: %s\n", programName, line.c_str());
  std::exit(code);
}
