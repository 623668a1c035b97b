// Plasma's word on whether the screen must be left alone. Players and
// browsers on Plasma 6 inhibit through org.freedesktop.ScreenSaver, which
// hands the inhibition to PowerDevil's policy agent
// (org.kde.Solid.PowerManagement.PolicyAgent on the session bus), not to
// KWin's idle notifications. The agent is asked HasInhibition for the
// screen's policy, and its ActiveInhibitions (Plasma 6.5 on) for one that
// names "idle", when the idle time is reached and whenever it says its
// inhibitions changed. No agent, a refusal or no answer: nothing inhibits.
//
// Every call is sent and its answer taken when it comes (kCallTimeoutUs at
// most), so a slow agent never holds up the frames or the input.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>

class KdeInhibitions {
 public:
  static constexpr std::uint64_t kCallTimeoutUs = 3'000'000;

  // Null where there is no session bus.
  static std::unique_ptr<KdeInhibitions> Watch();
  ~KdeInhibitions();
  KdeInhibitions(const KdeInhibitions&) = delete;
  KdeInhibitions& operator=(const KdeInhibitions&) = delete;

  // Asks the agent again; answering() until both answers are in.
  void ask();
  bool answering() const { return hasCall_ != nullptr || activeCall_ != nullptr; }
  bool inhibited() const { return hasInhibition_ || activeIdle_; }

  int fd() const;
  // When the bus wants handling with nothing to read, in ms on MsNow's
  // clock; kWaitForever when nothing does.
  double dueMs() const;
  // Handles what the bus sent; false when the bus went away.
  bool dispatch();

 private:
  explicit KdeInhibitions(sd_bus* bus) : bus_(bus) {}
  static int onChanged(sd_bus_message* message, void* self, sd_bus_error* error);
  static int onHasInhibition(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int onActiveInhibitions(sd_bus_message* reply, void* self, sd_bus_error* error);

  sd_bus* bus_;
  sd_bus_slot* changed_ = nullptr;
  sd_bus_slot* hasCall_ = nullptr;     // HasInhibition
  sd_bus_slot* activeCall_ = nullptr;  // Get ActiveInhibitions
  bool hasInhibition_ = false;
  bool activeIdle_ = false;
  bool askAgain_ = false;  // the inhibitions changed while the calls were on their way
};
