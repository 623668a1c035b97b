// gnome_stand_in: GNOME's idle monitor, a session manager that never
// answers IsInhibited, and GNOME's shield (org.gnome.ScreenSaver, refusing
// every call), on the session bus. Prints "ready", then a line a call
// ("AddIdleWatch 1000", "AddUserActiveWatch 2" or "... refused",
// "GetIdletime 0", "IsInhibited"). Commands, a line each: idle | active
// (WatchFired for the last idle | user-active watch), refuse (the next
// AddUserActiveWatch refused), back (the next GetIdletime says 0 ms),
// shield | unshield (ActiveChanged: the shield up | gone).
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kSession = "org.gnome.SessionManager";
constexpr const char* kSessionPath = "/org/gnome/SessionManager";
constexpr const char* kShield = "org.gnome.ScreenSaver";
constexpr const char* kShieldPath = "/org/gnome/ScreenSaver";

std::uint32_t lastWatch = 0, idleWatch = 0, activeWatch = 0;
bool refuse = false, back = false;
std::vector<sd_bus_message*> unanswered;

int onCall(sd_bus_message* m, void*, sd_bus_error*) {
  const std::string method = sd_bus_message_get_member(m);
  std::string line = method;
  int answered = 1;
  if (method == "IsInhibited") unanswered.push_back(sd_bus_message_ref(m));
  else if (method == "GetIdletime") {
    const std::uint64_t ms = std::exchange(back, false) ? 0 : 3600000;
    line += " " + std::to_string(ms);
    answered = sd_bus_reply_method_return(m, "t", ms);
  } else if (method == "AddUserActiveWatch" && std::exchange(refuse, false)) {
    line += " refused";
    answered = sd_bus_reply_method_errorf(m, SD_BUS_ERROR_FAILED, "refused");
  } else {
    std::uint64_t ms = 0;
    if (sd_bus_message_read(m, "t", &ms) > 0) line += " " + std::to_string(ms);
    std::uint32_t& watch = method == "AddIdleWatch" ? idleWatch : activeWatch;
    watch = ++lastWatch;
    if (method == "AddUserActiveWatch") line += " " + std::to_string(watch);
    answered = sd_bus_reply_method_return(m, "u", watch);
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  return answered;
}

const sd_bus_vtable kMonitorTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("AddIdleWatch", "t", "u", onCall, 0),
    SD_BUS_METHOD("AddUserActiveWatch", "", "u", onCall, 0),
    SD_BUS_METHOD("GetIdletime", "", "t", onCall, 0),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("IsInhibited", "u", "b", onCall, 0),
    SD_BUS_VTABLE_END,
};

void run(sd_bus* bus, const std::string& command) {
  if (command == "idle" || command == "active")
    sd_bus_emit_signal(bus, kMonitorPath, kMonitor, "WatchFired", "u", command == "idle" ? idleWatch : activeWatch);
  if (command == "shield" || command == "unshield")
    sd_bus_emit_signal(bus, kShieldPath, kShield, "ActiveChanged", "b", command == "shield");
  refuse = refuse || command == "refuse";
  back = back || command == "back";
}

}  // namespace

int main() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, kMonitorPath, kMonitor, kMonitorTable, nullptr) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, kSessionPath, kSession, kSessionTable, nullptr) < 0 ||
      sd_bus_request_name(bus, kMonitor, 0) < 0 || sd_bus_request_name(bus, kSession, 0) < 0 ||
      sd_bus_request_name(bus, kShield, 0) < 0) {
    std::fprintf(stderr, "gnome_stand_in: no session bus, or its names taken\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  std::string input;
  for (ssize_t got = 1; got > 0;) {
    int handled = 0;
    while ((handled = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (handled < 0 || sd_bus_flush(bus) < 0) break;  // the bus gone
    pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {sd_bus_get_fd(bus), POLLIN, 0}};
    if (poll(fds, 2, -1) <= 0 || fds[0].revents == 0) continue;
    char chunk[256];
    got = read(STDIN_FILENO, chunk, sizeof chunk);
    input.append(chunk, got > 0 ? static_cast<std::size_t>(got) : 0);
    for (std::size_t end; (end = input.find('\n')) != std::string::npos; input.erase(0, end + 1))
      run(bus, input.substr(0, end));
  }
  for (sd_bus_message* m : unanswered) sd_bus_message_unref(m);
  sd_bus_flush_close_unref(bus);
}
