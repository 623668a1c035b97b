// The desk flindra-wayland shows on: its connection to the compositor, one
// EGL context, the seat's input, and while the saver shows, a surface on
// every output (a layer surface, or a full-screen window where there is no
// layer shell), those plugged in meanwhile included, with one beat and one
// fade for all.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/program_options.h"
#include "posix/settings_watch.h"
#include "wayland/connection.h"
#include "wayland/egl_context.h"
#include "wayland/idle_watch.h"
#include "wayland/input.h"
#include "wayland/progress_report.h"
#include "wayland/saver_surface.h"

struct Showing;

struct Desk {
  Connection connection;
  EglContext egl;
  Input input;
  ProgressReport report;
  bool layered = false;               // a layer shell; else full-screen windows
  Showing* showing = nullptr;         // while the saver shows
  SettingsWatch* settings = nullptr;  // with -idle: waited on too, its news taken
};

// Connects and makes the EGL context; one line and exit code 1 when it
// cannot (noCompositorCode when there is no compositor to connect to).
void OpenDesk(Desk& desk, int noCompositorCode = 1);
void CloseDesk(Desk& desk);

// Waits at most ms (kWaitForever: no end) for the compositor, the idle
// source's bus, the settings file's folder or a signal, and handles what
// came. False when the compositor went away.
bool WaitOnDesk(Desk& desk, IdleWatch* idle, double ms);

// The compositor went away: exit code 0, as when a saver's display closes;
// or it ended the connection over a protocol error (a fault of ours): 1,
// with a line.
[[noreturn]] void DeskLost(Desk& desk);

// Shows the saver on every output until input, a signal, the idle source's
// word that someone is back, or no output left; then takes it down.
// Returns what ended it ("a key", "every output gone" ...).
std::string ShowSaver(Desk& desk, const ProgramOptions& options, IdleWatch* idle);
