// When the session has been idle long enough to show the saver, and when
// someone is back, from the first source the desk offers:
// ext_idle_notifier_v1 (KWin, sway 1.8, Hyprland, niri, labwc, COSMIC),
// org_kde_kwin_idle (older KWin, sway 1.7), then GNOME's idle monitor on
// the session bus. The Wayland sources honour idle inhibitors by their own
// rule (a film playing full screen holds one); on GNOME the session
// manager says when idle is inhibited; beside a Wayland source, Plasma's
// policy agent says so for the inhibitions programs ask of the session bus.
#pragma once

#include <memory>

#include "wayland/connection.h"
#include "wayland/gnome_idle.h"
#include "wayland/kde_inhibitions.h"

struct ext_idle_notification_v1;
struct org_kde_kwin_idle_timeout;

struct IdleWatch {
  ext_idle_notification_v1* notification = nullptr;
  org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
  std::unique_ptr<GnomeIdle> gnome;
  std::unique_ptr<KdeInhibitions> plasma;  // beside a Wayland source, where there is a session bus
  const char* source = "";  // the protocol or service in use, for a line about it
  bool quiet = false;       // the Wayland source's word: no input for the time asked
  bool idle = false;        // no input for the time asked, and nothing inhibits idle
};

// Starts watching for seconds of no input, or watches the source in use
// for that many instead. False when the desk offers no idle source this
// program knows.
bool WatchIdle(const Connection& c, IdleWatch& watch, unsigned seconds);

// The session bus's descriptor to wait on as well (GNOME, Plasma's agent), else -1.
int IdleBusFd(const IdleWatch& watch);
// When the session bus wants handling even with nothing to read, in ms on
// MsNow's clock (posix/wait); kWaitForever when never.
double IdleBusDueMs(const IdleWatch& watch);
// Handles what the session bus sent, and its calls' time-outs. The bus gone
// (the session's end, or its bus daemon's): one line and exit code 1, for
// the user unit to start it again.
void DispatchIdleBus(IdleWatch& watch);

void StopWatchingIdle(IdleWatch& watch);
