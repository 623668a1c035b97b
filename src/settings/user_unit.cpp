#include "settings/user_unit.h"

namespace {

// One call to the manager; null with why set when it fails. The manager
// runs from the session's start: a bus that would start one on demand
// (dbus-daemon's file for systemd --user) is not asked to.
GVariant* callManager(GDBusConnection* bus, const char* method, GVariant* parameters, std::string& why) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                                                "org.freedesktop.systemd1.Manager", method, parameters, nullptr,
                                                G_DBUS_CALL_FLAGS_NO_AUTO_START, 10000, nullptr, &error);
  if (reply == nullptr) {
    why = std::string("systemd's ") + method + " failed: " + error->message;
    g_error_free(error);
  }
  return reply;
}

GVariant* unitList() {
  const char* units[] = {kSaverUnit};
  return g_variant_new_strv(units, 1);
}

}  // namespace

bool SaverUnitEnabled(GDBusConnection* bus, std::string& why) {
  GVariant* reply = callManager(bus, "GetUnitFileState", g_variant_new("(s)", kSaverUnit), why);
  if (reply == nullptr) return false;
  const gchar* state = nullptr;
  g_variant_get(reply, "(&s)", &state);
  const bool enabled = g_strcmp0(state, "enabled") == 0;
  g_variant_unref(reply);
  return enabled;
}

std::string TurnSaverUnit(GDBusConnection* bus, bool on) {
  struct Step {
    const char* method;
    GVariant* (*parameters)();
  };
  // Reload after a change of the links, as systemctl does.
  static const Step kOn[] = {
      {"EnableUnitFiles", [] { return g_variant_new("(@asbb)", unitList(), FALSE, TRUE); }},
      {"Reload", [] { return g_variant_new("()"); }},
      {"StartUnit", [] { return g_variant_new("(ss)", kSaverUnit, "replace"); }},
  };
  static const Step kOff[] = {
      {"StopUnit", [] { return g_variant_new("(ss)", kSaverUnit, "replace"); }},
      {"DisableUnitFiles", [] { return g_variant_new("(@asb)", unitList(), FALSE); }},
      {"Reload", [] { return g_variant_new("()"); }},
  };
  std::string why;
  for (const Step& step : on ? kOn : kOff) {
    GVariant* reply = callManager(bus, step.method, step.parameters(), why);
    if (reply == nullptr) break;
    g_variant_unref(reply);
  }
  return why;
}
