#include "wayland/gnome_idle.h"

#include <systemd/sd-bus.h>

namespace {

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kSession = "org.gnome.SessionManager";
constexpr const char* kSessionPath = "/org/gnome/SessionManager";
constexpr std::uint32_t kInhibitIdle = 8;  // GsmInhibitorFlag: the session may not be marked idle

// A watch's id from a call that returns one (u); 0 when the call failed.
std::uint32_t watchId(sd_bus* bus, const char* method, const char* types, std::uint64_t ms) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const int called = types[0] != '\0'
                         ? sd_bus_call_method(bus, kMonitor, kMonitorPath, kMonitor, method, &error, &reply, types, ms)
                         : sd_bus_call_method(bus, kMonitor, kMonitorPath, kMonitor, method, &error, &reply, "");
  std::uint32_t id = 0;
  if (called < 0 || sd_bus_message_read(reply, "u", &id) < 0) id = 0;
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return id;
}

}  // namespace

std::unique_ptr<GnomeIdle> GnomeIdle::Watch(std::uint64_t ms) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  std::unique_ptr<GnomeIdle> g(new GnomeIdle(bus));
  if (sd_bus_match_signal(bus, &g->watchFired_, kMonitor, kMonitorPath, kMonitor, "WatchFired", onWatchFired,
                          g.get()) < 0)
    return nullptr;
  g->idleWatch_ = watchId(bus, "AddIdleWatch", "t", ms);
  if (g->idleWatch_ == 0) return nullptr;  // no idle monitor: not GNOME
  sd_bus_match_signal(bus, &g->inhibitorAdded_, kSession, kSessionPath, kSession, "InhibitorAdded",
                      onInhibitorsChanged, g.get());
  sd_bus_match_signal(bus, &g->inhibitorRemoved_, kSession, kSessionPath, kSession, "InhibitorRemoved",
                      onInhibitorsChanged, g.get());
  return g;
}

GnomeIdle::~GnomeIdle() {
  sd_bus_slot_unref(watchFired_);
  sd_bus_slot_unref(inhibitorAdded_);
  sd_bus_slot_unref(inhibitorRemoved_);
  sd_bus_flush_close_unref(bus_);
}

int GnomeIdle::fd() const { return sd_bus_get_fd(bus_); }

bool GnomeIdle::dispatch() {
  int handled = 0;
  while ((handled = sd_bus_process(bus_, nullptr)) > 0) {
  }
  return handled >= 0;
}

// The idle watch fires each time the session has been idle so long; the
// user-active watch once, at the next input.
int GnomeIdle::onWatchFired(sd_bus_message* message, void* self, sd_bus_error*) {
  auto& g = *static_cast<GnomeIdle*>(self);
  std::uint32_t id = 0;
  if (sd_bus_message_read(message, "u", &id) < 0) return 0;
  if (id == g.idleWatch_) {
    g.idleSeen_ = true;
    g.askWhetherInhibited();
    g.activeWatch_ = watchId(g.bus_, "AddUserActiveWatch", "", 0);
  } else if (id != 0 && id == g.activeWatch_) {
    g.idleSeen_ = false;
    g.activeWatch_ = 0;
  }
  return 0;
}

int GnomeIdle::onInhibitorsChanged(sd_bus_message*, void* self, sd_bus_error*) {
  static_cast<GnomeIdle*>(self)->askWhetherInhibited();
  return 0;
}

void GnomeIdle::askWhetherInhibited() {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int inhibited = 0;
  if (sd_bus_call_method(bus_, kSession, kSessionPath, kSession, "IsInhibited", &error, &reply, "u", kInhibitIdle) <
          0 ||
      sd_bus_message_read(reply, "b", &inhibited) < 0)
    inhibited = 0;
  inhibited_ = inhibited != 0;
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
}
