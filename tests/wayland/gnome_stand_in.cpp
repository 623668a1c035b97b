// gnome_stand_in: GNOME's idle monitor and a session manager that hangs, as
// far as flindra-wayland -idle uses them, on a session bus of the test's
// own, beside tests/wayland/test_compositor, which has no idle protocol. The session manager never answers IsInhibited. Prints "ready"
// once both names are owned, then one line a call ("AddIdleWatch 1000",
// "AddUserActiveWatch 2" or "AddUserActiveWatch refused", "GetIdletime
// 3600000", "IsInhibited"); takes commands on standard input, one a line:
//   idle       WatchFired for the last idle watch (no input for that long)
//   active     WatchFired for the last user-active watch (someone is back)
//   inhibitor  InhibitorAdded
//   refuse     the next AddUserActiveWatch refused
//   back       the next GetIdletime answers 0 (input since the idle watch fired)
// and ends with its input or its bus.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kMonitor = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kSession = "org.gnome.SessionManager";
constexpr const char* kSessionPath = "/org/gnome/SessionManager";

std::uint32_t lastWatch = 0, idleWatch = 0, activeWatch = 0;
bool refuse = false, back = false;
std::vector<sd_bus_message*> unanswered;

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int addIdleWatch(sd_bus_message* m, void*, sd_bus_error*) {
  std::uint64_t ms = 0;
  sd_bus_message_read(m, "t", &ms);
  say("AddIdleWatch " + std::to_string(ms));
  idleWatch = ++lastWatch;
  return sd_bus_reply_method_return(m, "u", idleWatch);
}

int addUserActiveWatch(sd_bus_message* m, void*, sd_bus_error*) {
  if (refuse) {
    refuse = false;
    say("AddUserActiveWatch refused");
    return sd_bus_reply_method_errorf(m, SD_BUS_ERROR_FAILED, "refused");
  }
  activeWatch = ++lastWatch;
  say("AddUserActiveWatch " + std::to_string(activeWatch));
  return sd_bus_reply_method_return(m, "u", activeWatch);
}

int getIdletime(sd_bus_message* m, void*, sd_bus_error*) {
  const std::uint64_t ms = back ? 0 : 3600000;
  back = false;
  say("GetIdletime " + std::to_string(ms));
  return sd_bus_reply_method_return(m, "t", ms);
}

int removeWatch(sd_bus_message* m, void*, sd_bus_error*) { return sd_bus_reply_method_return(m, ""); }

int isInhibited(sd_bus_message* m, void*, sd_bus_error*) {
  say("IsInhibited");
  unanswered.push_back(sd_bus_message_ref(m));
  return 1;
}

const sd_bus_vtable kMonitorTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("AddIdleWatch", "t", "u", addIdleWatch, 0),
    SD_BUS_METHOD("AddUserActiveWatch", "", "u", addUserActiveWatch, 0),
    SD_BUS_METHOD("GetIdletime", "", "t", getIdletime, 0),
    SD_BUS_METHOD("RemoveWatch", "u", "", removeWatch, 0),
    SD_BUS_SIGNAL("WatchFired", "u", 0),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("IsInhibited", "u", "b", isInhibited, 0),
    SD_BUS_SIGNAL("InhibitorAdded", "o", 0),
    SD_BUS_VTABLE_END,
};

void run(sd_bus* bus, const std::string& command) {
  if (command == "idle" || command == "active")
    sd_bus_emit_signal(bus, kMonitorPath, kMonitor, "WatchFired", "u", command == "idle" ? idleWatch : activeWatch);
  else if (command == "inhibitor")
    sd_bus_emit_signal(bus, kSessionPath, kSession, "InhibitorAdded", "o", "/org/gnome/SessionManager/Inhibitor1");
  refuse = refuse || command == "refuse";
  back = back || command == "back";
}

}  // namespace

int main() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, kMonitorPath, kMonitor, kMonitorTable, nullptr) < 0 ||
      sd_bus_add_object_vtable(bus, nullptr, kSessionPath, kSession, kSessionTable, nullptr) < 0 ||
      sd_bus_request_name(bus, kMonitor, 0) < 0 || sd_bus_request_name(bus, kSession, 0) < 0) {
    std::fprintf(stderr, "gnome_stand_in: no session bus, or its names taken\n");
    return 1;
  }
  say("ready");
  std::string input;
  for (bool open = true; open;) {
    int handled = 0;
    while ((handled = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (handled < 0) break;  // the bus gone
    sd_bus_flush(bus);
    pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {sd_bus_get_fd(bus), POLLIN, 0}};
    poll(fds, 2, -1);
    if ((fds[0].revents & (POLLIN | POLLHUP)) == 0) continue;
    char chunk[256];
    const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
    open = got > 0;
    input.append(chunk, got > 0 ? static_cast<std::size_t>(got) : 0);
    for (std::size_t end; (end = input.find('\n')) != std::string::npos; input.erase(0, end + 1))
      run(bus, input.substr(0, end));
  }
  for (sd_bus_message* m : unanswered) sd_bus_message_unref(m);
  sd_bus_flush_close_unref(bus);
  return 0;
}
