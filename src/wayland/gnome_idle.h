// GNOME's idle time, where the compositor (Mutter) has no idle protocol: its
// idle monitor on the session bus (AddIdleWatch, AddUserActiveWatch,
// WatchFired), and the session manager's word on whether idle is inhibited
// (a film playing full screen asks it so). No session manager means
// nothing inhibits.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>

class GnomeIdle {
 public:
  // Watches for ms of no input; null where there is no session bus or no
  // idle monitor on it.
  static std::unique_ptr<GnomeIdle> Watch(std::uint64_t ms);
  ~GnomeIdle();
  GnomeIdle(const GnomeIdle&) = delete;
  GnomeIdle& operator=(const GnomeIdle&) = delete;

  int fd() const;
  // Handles what the bus sent; false when the bus went away.
  bool dispatch();
  bool idle() const { return idleSeen_ && !inhibited_; }

 private:
  explicit GnomeIdle(sd_bus* bus) : bus_(bus) {}
  static int onWatchFired(sd_bus_message* message, void* self, sd_bus_error* error);
  static int onInhibitorsChanged(sd_bus_message* message, void* self, sd_bus_error* error);
  void askWhetherInhibited();

  sd_bus* bus_;
  sd_bus_slot* watchFired_ = nullptr;
  sd_bus_slot* inhibitorAdded_ = nullptr;
  sd_bus_slot* inhibitorRemoved_ = nullptr;
  std::uint32_t idleWatch_ = 0;
  std::uint32_t activeWatch_ = 0;
  bool idleSeen_ = false;
  bool inhibited_ = false;
};
