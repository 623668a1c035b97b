// The saver's user unit, flindra-wayland.service, through the user's
// systemd manager on the session bus: what `systemctl --user enable --now`
// and `disable --now` do, as D-Bus calls.
#pragma once

#include <gio/gio.h>

#include <string>

constexpr const char* kSaverUnit = "flindra-wayland.service";

// Whether the unit is enabled; why says what failed when the manager
// cannot be asked (then false).
bool SaverUnitEnabled(GDBusConnection* bus, std::string& why);

// Enables and starts the unit, or stops and disables it. Returns "" when
// done, else the manager's answer.
std::string TurnSaverUnit(GDBusConnection* bus, bool on);
