#include "wayland/kde_inhibitions.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdarg>
#include <string_view>

#include "wayland/session_bus.h"

namespace {

constexpr const char* kAgent = "org.kde.Solid.PowerManagement.PolicyAgent";
constexpr const char* kAgentPath = "/org/kde/Solid/PowerManagement/PolicyAgent";
// PowerDevil's PolicyAgent::ChangeScreenSettings: what screen savers and
// lockers hold off; kscreenlocker asks it for org.freedesktop.ScreenSaver's
// Inhibit.
constexpr std::uint32_t kChangeScreenSettings = 4;

KdeInhibitions& inhibitionsOf(void* self) { return *static_cast<KdeInhibitions*>(self); }

bool failed(sd_bus_message* reply) { return sd_bus_message_is_method_error(reply, nullptr) > 0; }

// Sends a call to the agent, never starting one that is not running.
bool callAgent(sd_bus* bus, sd_bus_slot** slot, const char* interface, const char* method,
               sd_bus_message_handler_t answer, void* self, const char* types, ...) {
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(bus, &call, kAgent, kAgentPath, interface, method) < 0) return false;
  std::va_list args;
  va_start(args, types);
  int r = sd_bus_message_set_auto_start(call, 0);
  if (r >= 0) r = sd_bus_message_appendv(call, types, args);
  va_end(args);
  if (r >= 0) r = sd_bus_call_async(bus, slot, call, answer, self, KdeInhibitions::kCallTimeoutUs);
  sd_bus_message_unref(call);
  return r >= 0;
}

// Whether a logind-style "what" ("idle:sleep") names idle.
bool namesIdle(std::string_view what) {
  while (!what.empty()) {
    const std::size_t colon = std::min(what.find(':'), what.size());
    if (what.substr(0, colon) == "idle") return true;
    what.remove_prefix(std::min(colon + 1, what.size()));
  }
  return false;
}

// Whether a Get of ActiveInhibitions (a(ssssu): what, who, why, mode, flags) holds one naming idle.
bool holdsIdle(sd_bus_message* reply) {
  if (failed(reply) || sd_bus_message_enter_container(reply, 'v', "a(ssssu)") <= 0 ||
      sd_bus_message_enter_container(reply, 'a', "(ssssu)") <= 0)
    return false;
  while (sd_bus_message_enter_container(reply, 'r', "ssssu") > 0) {
    const char* what = nullptr;
    if (sd_bus_message_read(reply, "s", &what) < 0 || sd_bus_message_skip(reply, "sssu") < 0) return false;
    if (namesIdle(what)) return true;
    if (sd_bus_message_exit_container(reply) < 0) return false;
  }
  return false;
}

}  // namespace

std::unique_ptr<KdeInhibitions> KdeInhibitions::Watch() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return nullptr;
  std::unique_ptr<KdeInhibitions> k(new KdeInhibitions(bus));
  sd_bus_match_signal_async(bus, &k->changed_, kAgent, kAgentPath, kAgent, "InhibitionsChanged", onChanged, nullptr,
                            k.get());
  k->ask();
  return k;
}

KdeInhibitions::~KdeInhibitions() {
  for (sd_bus_slot* slot : {changed_, hasCall_, activeCall_}) sd_bus_slot_unref(slot);
  sd_bus_flush_close_unref(bus_);
}

void KdeInhibitions::ask() {
  askAgain_ = answering();
  if (askAgain_) return;
  if (!callAgent(bus_, &hasCall_, kAgent, "HasInhibition", onHasInhibition, this, "u", kChangeScreenSettings))
    hasInhibition_ = false;
  if (!callAgent(bus_, &activeCall_, "org.freedesktop.DBus.Properties", "Get", onActiveInhibitions, this, "ss", kAgent,
                 "ActiveInhibitions"))
    activeIdle_ = false;
}

int KdeInhibitions::fd() const { return sd_bus_get_fd(bus_); }

double KdeInhibitions::dueMs() const { return BusDueMs(bus_); }

bool KdeInhibitions::dispatch() { return DispatchBus(bus_); }

int KdeInhibitions::onChanged(sd_bus_message*, void* self, sd_bus_error*) {
  inhibitionsOf(self).ask();
  return 0;
}

int KdeInhibitions::onHasInhibition(sd_bus_message* reply, void* self, sd_bus_error*) {
  KdeInhibitions& k = inhibitionsOf(self);
  k.hasCall_ = sd_bus_slot_unref(k.hasCall_);
  int has = 0;
  k.hasInhibition_ = !failed(reply) && sd_bus_message_read(reply, "b", &has) >= 0 && has != 0;
  if (k.askAgain_ && !k.answering()) k.ask();
  return 0;
}

int KdeInhibitions::onActiveInhibitions(sd_bus_message* reply, void* self, sd_bus_error*) {
  KdeInhibitions& k = inhibitionsOf(self);
  k.activeCall_ = sd_bus_slot_unref(k.activeCall_);
  k.activeIdle_ = holdsIdle(reply);  // before Plasma 6.5: no such property, nothing more
  if (k.askAgain_ && !k.answering()) k.ask();
  return 0;
}
