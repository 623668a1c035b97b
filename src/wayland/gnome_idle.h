// GNOME's idle time, where the compositor (Mutter) has no idle protocol: its
// idle monitor on the session bus (AddIdleWatch, AddUserActiveWatch,
// GetIdletime, WatchFired), and the session manager's word on whether idle
// is inhibited (a film playing full screen asks it so). No session manager
// means nothing inhibits.
//
// Only the first AddIdleWatch waits for its answer (it tells whether this is
// GNOME at all); every other call is sent and its answer taken when it
// comes, each given kCallTimeoutUs, so a slow idle monitor or session
// manager never holds up the frames or the input.
//
// The session counts as idle only once someone's return can be heard: when
// the idle watch fires, a user-active watch is added, then the idle time is
// asked. Input before that watch was in place shows as an idle time below
// the one watched for: someone is back. A refused user-active watch lets
// this idle time go as if someone were back; the idle watch fires again
// after the next input and the idle time.
//
// GNOME's own shield (its blank or lock, org.gnome.ScreenSaver's
// ActiveChanged) takes over from the saver: while it is up the session does
// not count as idle, and once it goes the saver waits for a new idle
// period, as if someone were back.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>

class GnomeIdle {
 public:
  static constexpr std::uint64_t kCallTimeoutUs = 3'000'000;

  // Watches for ms of no input; null where there is no session bus or no
  // idle monitor on it.
  static std::unique_ptr<GnomeIdle> Watch(std::uint64_t ms);
  ~GnomeIdle();
  GnomeIdle(const GnomeIdle&) = delete;
  GnomeIdle& operator=(const GnomeIdle&) = delete;

  // Watches for ms instead; the old watch holds until the monitor took the new one.
  void watchFor(std::uint64_t ms);

  int fd() const;
  // When the bus wants handling with nothing to read (a call timed out, a
  // message waits), in ms on MsNow's clock; kWaitForever when nothing does.
  double dueMs() const;
  // Handles what the bus sent; false when the bus went away.
  bool dispatch();
  bool idle() const { return phase_ == Phase::Idle && !inhibited_ && !shielded_; }

 private:
  enum class Phase { Active, Arming, Idle };  // Arming: the idle watch fired, the user-active watch not yet in place

  explicit GnomeIdle(sd_bus* bus) : bus_(bus) {}
  bool callMonitor(sd_bus_slot** slot, const char* method, sd_bus_message_handler_t answer, const char* types, ...);
  void someoneBack();
  void askWhetherInhibited();
  static int onWatchFired(sd_bus_message* message, void* self, sd_bus_error* error);
  static int onIdleWatchAdded(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int onActiveWatchAdded(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int onIdleTime(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int onInhibitorsChanged(sd_bus_message* message, void* self, sd_bus_error* error);
  static int onInhibited(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int onShieldChanged(sd_bus_message* message, void* self, sd_bus_error* error);

  sd_bus* bus_;
  sd_bus_slot* watchFired_ = nullptr;
  sd_bus_slot* inhibitorAdded_ = nullptr;
  sd_bus_slot* inhibitorRemoved_ = nullptr;
  sd_bus_slot* idleCall_ = nullptr;       // AddIdleWatch for a new time
  sd_bus_slot* activeCall_ = nullptr;     // AddUserActiveWatch, then GetIdletime
  sd_bus_slot* inhibitedCall_ = nullptr;  // IsInhibited
  sd_bus_slot* shieldChanged_ = nullptr;  // ActiveChanged
  sd_bus_slot* shieldCall_ = nullptr;     // GetActive, once at the start
  std::uint32_t idleWatch_ = 0;
  std::uint64_t idleMs_ = 0;     // what idleWatch_ watches for
  std::uint64_t askedMs_ = 0;    // what idleCall_ asks for
  std::uint32_t activeWatch_ = 0;
  Phase phase_ = Phase::Active;
  bool inhibited_ = false;
  bool shielded_ = false;  // GNOME's blank or lock is up
  bool askAgain_ = false;  // the inhibitors changed while IsInhibited was on its way
};
