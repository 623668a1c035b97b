#include "wayland/gnome_idle.h"

#include <systemd/sd-bus.h>

#include <cstdarg>
#include <initializer_list>

#include "wayland/session_bus.h"

namespace {

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kSession = "org.gnome.SessionManager";
constexpr const char* kSessionPath = "/org/gnome/SessionManager";
constexpr const char* kShield = "org.gnome.ScreenSaver";
constexpr const char* kShieldPath = "/org/gnome/ScreenSaver";
constexpr std::uint32_t kInhibitIdle = 8;  // GsmInhibitorFlag: the session may not be marked idle

GnomeIdle& idleOf(void* self) { return *static_cast<GnomeIdle*>(self); }

bool failed(sd_bus_message* reply) { return sd_bus_message_is_method_error(reply, nullptr) > 0; }

// The watch id a reply carries; 0 for a refusal or a time-out.
std::uint32_t watchIdOf(sd_bus_message* reply) {
  std::uint32_t id = 0;
  if (failed(reply) || sd_bus_message_read(reply, "u", &id) < 0) return 0;
  return id;
}

// Tells the monitor to drop a watch; its answer is not waited for.
void removeWatch(sd_bus* bus, std::uint32_t id) {
  if (id != 0)
    sd_bus_call_method_async(bus, nullptr, kMonitor, kMonitorPath, kMonitor, "RemoveWatch", nullptr, nullptr, "u", id);
}

}  // namespace

std::unique_ptr<GnomeIdle> GnomeIdle::Watch(std::uint64_t ms) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  std::unique_ptr<GnomeIdle> g(new GnomeIdle(bus));
  sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
  if (sd_bus_match_signal_async(bus, &g->watchFired_, kMonitor, kMonitorPath, kMonitor, "WatchFired", onWatchFired,
                                nullptr, g.get()) < 0)
    return nullptr;
  // The one call answered before going on: no idle monitor, not GNOME.
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus, kMonitor, kMonitorPath, kMonitor, "AddIdleWatch", &error, &reply, "t", ms) >= 0)
    g->idleWatch_ = watchIdOf(reply);
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  if (g->idleWatch_ == 0) return nullptr;
  g->idleMs_ = ms;
  sd_bus_match_signal_async(bus, &g->inhibitorAdded_, kSession, kSessionPath, kSession, "InhibitorAdded",
                            onInhibitorsChanged, nullptr, g.get());
  sd_bus_match_signal_async(bus, &g->inhibitorRemoved_, kSession, kSessionPath, kSession, "InhibitorRemoved",
                            onInhibitorsChanged, nullptr, g.get());
  g->askWhetherInhibited();
  // The shield's state now, and as it changes; no shield (Mutter alone) answers nothing.
  // NOTE: from any sender: gnome-shell sends it from its own connection,
  // and again through the org.gnome.ScreenSaver service while that runs.
  sd_bus_match_signal_async(bus, &g->shieldChanged_, nullptr, kShieldPath, kShield, "ActiveChanged", onShieldChanged,
                            nullptr, g.get());
  sd_bus_call_method_async(bus, &g->shieldCall_, kShield, kShieldPath, kShield, "GetActive", onShieldChanged, g.get(),
                           "");
  return g;
}

GnomeIdle::~GnomeIdle() {
  for (sd_bus_slot* slot : {watchFired_, inhibitorAdded_, inhibitorRemoved_, idleCall_, activeCall_, inhibitedCall_,
                            shieldChanged_, shieldCall_})
    sd_bus_slot_unref(slot);
  sd_bus_flush_close_unref(bus_);
}

void GnomeIdle::watchFor(std::uint64_t ms) {
  idleCall_ = sd_bus_slot_unref(idleCall_);
  askedMs_ = ms;
  callMonitor(&idleCall_, "AddIdleWatch", onIdleWatchAdded, "t", ms);
}

int GnomeIdle::fd() const { return sd_bus_get_fd(bus_); }

double GnomeIdle::dueMs() const { return BusDueMs(bus_); }

bool GnomeIdle::dispatch() { return DispatchBus(bus_); }

// Calls a method of the idle monitor, its answer to come to answer(reply, this);
// false when it could not be sent.
bool GnomeIdle::callMonitor(sd_bus_slot** slot, const char* method, sd_bus_message_handler_t answer,
                            const char* types, ...) {
  std::va_list args;
  va_start(args, types);
  const int sent =
      sd_bus_call_method_asyncv(bus_, slot, kMonitor, kMonitorPath, kMonitor, method, answer, this, types, args);
  va_end(args);
  return sent >= 0;
}

void GnomeIdle::someoneBack() {
  phase_ = Phase::Active;
  activeCall_ = sd_bus_slot_unref(activeCall_);
  activeWatch_ = 0;
}

int GnomeIdle::onWatchFired(sd_bus_message* message, void* self, sd_bus_error*) {
  GnomeIdle& g = idleOf(self);
  std::uint32_t id = 0;
  if (sd_bus_message_read(message, "u", &id) < 0 || id == 0) return 0;
  if (id == g.idleWatch_ && g.phase_ == Phase::Active) {
    g.phase_ = Phase::Arming;
    if (!g.callMonitor(&g.activeCall_, "AddUserActiveWatch", onActiveWatchAdded, "")) g.someoneBack();
  } else if (id == g.activeWatch_) {
    g.someoneBack();  // a user-active watch fires once and is gone
  }
  return 0;
}

int GnomeIdle::onIdleWatchAdded(sd_bus_message* reply, void* self, sd_bus_error*) {
  GnomeIdle& g = idleOf(self);
  g.idleCall_ = sd_bus_slot_unref(g.idleCall_);
  const std::uint32_t id = watchIdOf(reply);
  if (id == 0) return 0;  // refused: the old watch goes on
  // NOTE: the idle time under way, and a user-active watch in place, go on.
  removeWatch(g.bus_, g.idleWatch_);
  g.idleWatch_ = id;
  g.idleMs_ = g.askedMs_;
  return 0;
}

int GnomeIdle::onActiveWatchAdded(sd_bus_message* reply, void* self, sd_bus_error*) {
  GnomeIdle& g = idleOf(self);
  g.activeCall_ = sd_bus_slot_unref(g.activeCall_);
  g.activeWatch_ = watchIdOf(reply);
  if (g.activeWatch_ == 0 || !g.callMonitor(&g.activeCall_, "GetIdletime", onIdleTime, "")) {
    removeWatch(g.bus_, g.activeWatch_);
    g.someoneBack();
  }
  return 0;
}

int GnomeIdle::onIdleTime(sd_bus_message* reply, void* self, sd_bus_error*) {
  GnomeIdle& g = idleOf(self);
  g.activeCall_ = sd_bus_slot_unref(g.activeCall_);
  std::uint64_t ms = 0;
  // Without an answer the watch in place still hears whoever comes back.
  if (!failed(reply) && sd_bus_message_read(reply, "t", &ms) >= 0 && ms < g.idleMs_) {
    removeWatch(g.bus_, g.activeWatch_);
    g.someoneBack();
  } else {
    g.phase_ = Phase::Idle;
  }
  return 0;
}

int GnomeIdle::onInhibitorsChanged(sd_bus_message*, void* self, sd_bus_error*) {
  idleOf(self).askWhetherInhibited();
  return 0;
}

// One IsInhibited on its way at a time; a change meanwhile asks again once it is answered.
void GnomeIdle::askWhetherInhibited() {
  askAgain_ = inhibitedCall_ != nullptr;
  if (askAgain_) return;
  sd_bus_call_method_async(bus_, &inhibitedCall_, kSession, kSessionPath, kSession, "IsInhibited", onInhibited, this,
                           "u", kInhibitIdle);
}

int GnomeIdle::onInhibited(sd_bus_message* reply, void* self, sd_bus_error*) {
  GnomeIdle& g = idleOf(self);
  g.inhibitedCall_ = sd_bus_slot_unref(g.inhibitedCall_);
  int inhibited = 0;
  if (!failed(reply) && sd_bus_message_read(reply, "b", &inhibited) >= 0)
    g.inhibited_ = inhibited != 0;
  else if (sd_bus_message_is_method_error(reply, SD_BUS_ERROR_SERVICE_UNKNOWN) > 0 ||
           sd_bus_message_is_method_error(reply, SD_BUS_ERROR_NAME_HAS_NO_OWNER) > 0)
    g.inhibited_ = false;  // no session manager: nothing inhibits; a late answer keeps what was known
  if (g.askAgain_) g.askWhetherInhibited();
  return 0;
}

// ActiveChanged, or GetActive's answer: both carry whether the shield is up.
int GnomeIdle::onShieldChanged(sd_bus_message* message, void* self, sd_bus_error*) {
  GnomeIdle& g = idleOf(self);
  if (sd_bus_message_is_signal(message, nullptr, nullptr) <= 0) g.shieldCall_ = sd_bus_slot_unref(g.shieldCall_);
  int active = 0;
  if (failed(message) || sd_bus_message_read(message, "b", &active) < 0) return 0;
  const bool was = g.shielded_;
  g.shielded_ = active != 0;
  // NOTE: the shield gone counts as someone back, even without input
  // (SetActive false): the saver shows again only after a new idle period.
  if (was && !g.shielded_) {
    removeWatch(g.bus_, g.activeWatch_);
    g.someoneBack();
  }
  return 0;
}
