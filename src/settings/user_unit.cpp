#include "settings/user_unit.h"

#include <iterator>
#include <utility>

namespace {

GVariant* unitList() {
  const char* units[] = {kSaverUnit};
  return g_variant_new_strv(units, 1);
}

struct Step {
  const char* method;
  GVariant* (*parameters)();
};

// Calls to the manager made one after the other, each once the one before
// has succeeded; it deletes itself after the last answer.
struct Calls {
  const Step* next;
  const Step* end;
  GCancellable* cancel;
  // The last call's reply, or null with why.
  std::function<void(GVariant* reply, const std::string& why)> answer;
  GDBusConnection* bus = nullptr;

  ~Calls() {
    g_object_unref(cancel);
    if (bus != nullptr) g_object_unref(bus);
  }
};

// Whether error is the cancellation's; then the asker is gone and calls
// is let go unanswered.
bool cancelled(Calls* calls, GError* error) {
  if (!g_cancellable_is_cancelled(calls->cancel)) return false;
  if (error != nullptr) g_error_free(error);
  delete calls;
  return true;
}

void fail(Calls* calls, const std::string& what, GError* error) {
  calls->answer(nullptr, what + error->message);
  g_error_free(error);
  delete calls;
}

void onReply(GObject*, GAsyncResult* result, gpointer data);

// The manager runs from the session's start: a bus that would start one on
// demand (dbus-daemon's file for systemd --user) is not asked to. A busy
// manager gets D-Bus's usual 25 s, as systemctl gives it: nothing waits.
void callNext(Calls* calls) {
  g_dbus_connection_call(calls->bus, "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                         "org.freedesktop.systemd1.Manager", calls->next->method, calls->next->parameters(), nullptr,
                         G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, calls->cancel, onReply, calls);
}

void onReply(GObject*, GAsyncResult* result, gpointer data) {
  auto* calls = static_cast<Calls*>(data);
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(calls->bus, result, &error);
  if (cancelled(calls, error)) {
    if (reply != nullptr) g_variant_unref(reply);
    return;
  }
  if (reply == nullptr) return fail(calls, std::string("systemd's ") + calls->next->method + " failed: ", error);
  if (++calls->next == calls->end) {
    calls->answer(reply, "");
    delete calls;
  } else {
    callNext(calls);
  }
  g_variant_unref(reply);
}

void onBus(GObject*, GAsyncResult* result, gpointer data) {
  auto* calls = static_cast<Calls*>(data);
  GError* error = nullptr;
  calls->bus = g_bus_get_finish(result, &error);
  if (cancelled(calls, error)) return;
  if (calls->bus == nullptr) return fail(calls, "no session bus to reach systemd's user manager: ", error);
  callNext(calls);
}

void call(const Step* first, const Step* end, GCancellable* cancel,
          std::function<void(GVariant* reply, const std::string& why)> answer) {
  auto* calls = new Calls{first, end, G_CANCELLABLE(g_object_ref(cancel)), std::move(answer)};
  g_bus_get(G_BUS_TYPE_SESSION, cancel, onBus, calls);
}

}  // namespace

void AskSaverUnitEnabled(GCancellable* cancel, std::function<void(bool enabled, const std::string& why)> answer) {
  static const Step kAsk[] = {{"GetUnitFileState", [] { return g_variant_new("(s)", kSaverUnit); }}};
  call(std::begin(kAsk), std::end(kAsk), cancel, [answer](GVariant* reply, const std::string& why) {
    const gchar* state = nullptr;
    if (reply != nullptr) g_variant_get(reply, "(&s)", &state);
    answer(g_strcmp0(state, "enabled") == 0, why);
  });
}

void TurnSaverUnit(bool on, GCancellable* cancel, std::function<void(const std::string& why)> answer) {
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
  call(on ? std::begin(kOn) : std::begin(kOff), on ? std::end(kOn) : std::end(kOff), cancel,
       [answer](GVariant*, const std::string& why) { answer(why); });
}
