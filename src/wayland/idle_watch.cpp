#include "wayland/idle_watch.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "posix/process.h"
#include "posix/wait.h"
#include "wayland/gnome_idle.h"

namespace {

IdleWatch& watchOf(void* data) { return *static_cast<IdleWatch*>(data); }

// Idle once the Wayland source says so and Plasma's agent, asked then, holds
// no inhibition; an answer on its way keeps a showing as it is.
void settle(IdleWatch& watch) {
  const KdeInhibitions* plasma = watch.plasma.get();
  watch.idle = watch.quiet && (plasma == nullptr || ((watch.idle || !plasma->answering()) && !plasma->inhibited()));
}

void quietFor(void* data, bool quiet) {
  IdleWatch& watch = watchOf(data);
  watch.quiet = quiet;
  if (quiet && watch.plasma != nullptr) watch.plasma->ask();
  settle(watch);
}

void notificationHandleIdled(void* data, ext_idle_notification_v1*) { quietFor(data, true); }
void notificationHandleResumed(void* data, ext_idle_notification_v1*) { quietFor(data, false); }
const ext_idle_notification_v1_listener kNotificationListener = {notificationHandleIdled, notificationHandleResumed};

void kdeTimeoutHandleIdle(void* data, org_kde_kwin_idle_timeout*) { quietFor(data, true); }
void kdeTimeoutHandleResumed(void* data, org_kde_kwin_idle_timeout*) { quietFor(data, false); }
const org_kde_kwin_idle_timeout_listener kKdeTimeoutListener = {kdeTimeoutHandleIdle, kdeTimeoutHandleResumed};

bool watchSource(const Connection& c, IdleWatch& watch, unsigned seconds) {
  const std::uint32_t ms = seconds * 1000;
  if (watch.gnome != nullptr) {
    watch.gnome->watchFor(ms);
    return true;
  }
  StopWatchingIdle(watch);
  if (c.idleNotifier != nullptr && c.seat != nullptr) {
    // NOTE: never version 2's get_input_idle_notification, which counts input
    // alone: the saver stays away while an idle inhibitor is held (a film).
    watch.notification = ext_idle_notifier_v1_get_idle_notification(c.idleNotifier, ms, c.seat);
    ext_idle_notification_v1_add_listener(watch.notification, &kNotificationListener, &watch);
    watch.source = "ext_idle_notifier_v1";
    return true;
  }
  if (c.kdeIdle != nullptr && c.seat != nullptr) {
    watch.kdeTimeout = org_kde_kwin_idle_get_idle_timeout(c.kdeIdle, c.seat, ms);
    org_kde_kwin_idle_timeout_add_listener(watch.kdeTimeout, &kKdeTimeoutListener, &watch);
    watch.source = "org_kde_kwin_idle";
    return true;
  }
  watch.gnome = GnomeIdle::Watch(ms);
  if (watch.gnome == nullptr) return false;
  watch.source = "org.gnome.Mutter.IdleMonitor";
  return true;
}

}  // namespace

bool WatchIdle(const Connection& c, IdleWatch& watch, unsigned seconds) {
  std::unique_ptr<KdeInhibitions> plasma = std::move(watch.plasma);
  if (!watchSource(c, watch, seconds)) return false;
  // NOTE: whatever the compositor: only Plasma has the agent, and its absence means nothing inhibits.
  if (watch.gnome == nullptr) watch.plasma = plasma != nullptr ? std::move(plasma) : KdeInhibitions::Watch();
  return true;
}

int IdleBusFd(const IdleWatch& watch) {
  return watch.gnome != nullptr ? watch.gnome->fd() : watch.plasma != nullptr ? watch.plasma->fd() : -1;
}

double IdleBusDueMs(const IdleWatch& watch) {
  return watch.gnome != nullptr ? watch.gnome->dueMs() : watch.plasma != nullptr ? watch.plasma->dueMs() : kWaitForever;
}

void DispatchIdleBus(IdleWatch& watch) {
  if (watch.plasma != nullptr) {
    if (!watch.plasma->dispatch()) watch.plasma.reset();  // the bus gone: nothing inhibits
    settle(watch);
  }
  if (watch.gnome == nullptr) return;
  if (!watch.gnome->dispatch()) Fail("the session bus went away, and GNOME's idle monitor with it");
  watch.idle = watch.gnome->idle();
}

void StopWatchingIdle(IdleWatch& watch) {
  if (watch.notification != nullptr) ext_idle_notification_v1_destroy(watch.notification);
  if (watch.kdeTimeout != nullptr) org_kde_kwin_idle_timeout_release(watch.kdeTimeout);
  watch = IdleWatch{};
}
