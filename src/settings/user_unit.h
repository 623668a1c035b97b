// The saver's user unit, flindra-wayland.service, through the user's
// systemd manager on the session bus: what `systemctl --user enable --now`
// and `disable --now` do, as D-Bus calls. Every call is asynchronous: the
// answer comes later on the calling thread's main context, and never once
// the given cancellable is cancelled (the window that asked is gone).
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>

constexpr const char* kSaverUnit = "flindra-wayland.service";

// Whether the unit is enabled; why says what failed when the manager
// cannot be asked (then enabled is false).
void AskSaverUnitEnabled(GCancellable* cancel, std::function<void(bool enabled, const std::string& why)> answer);

// Enables and starts the unit, or stops and disables it, one call after
// the other. why is "" when done, else the manager's answer to the call
// that failed (the later ones are not made).
void TurnSaverUnit(bool on, GCancellable* cancel, std::function<void(const std::string& why)> answer);
