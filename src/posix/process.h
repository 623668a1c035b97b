// How a Linux program ends: SIGTERM and SIGINT noted for the main loop (idle
// daemons and XScreenSaver end their saver that way), the end by that signal
// once everything is let go, and the one line before giving up.
#pragma once

#include <csignal>
#include <string>

// The name the program's lines start with ("flindra-wayland"); set once at
// start-up (StartProgram does).
void NameProgram(const char* name);
const char* ProgramName();

// Installs the handlers; false when they cannot be installed. From then on
// SignalFd() becomes readable and StopSignal() names the signal once one came.
bool InstallSignalHandlers();
int SignalFd();
int StopSignal();

// Ends the process by that signal, so the parent sees the end it asked for.
[[noreturn]] void EndBySignal(int sig);

// "NAME: LINE" on standard error, then that exit code.
[[noreturn]] void Fail(const std::string& line, int code = 1);
