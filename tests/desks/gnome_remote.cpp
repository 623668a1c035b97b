// A person at a GNOME desk (Mutter or gnome-shell), as the tests need one:
// each monitor named on the command line recorded through
// org.gnome.Mutter.ScreenCast (no cursor), printed as
//   stream CONNECTOR PIPEWIRE_NODE
// then "ready"; then input through org.gnome.Mutter.RemoteDesktop, one line
// at a time on standard input, each answered "ok" once Mutter has it:
//   key KEYSYM    a key pressed and released (KEYSYM in hex, 0x78 for x)
//   move DX DY    relative pointer motion in pixels
//   click         the left button pressed and released
// Mutter ends both sessions when this program's bus connection closes, so it
// lives as long as the test needs them.
#include <systemd/sd-bus.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr const char* kScreenCast = "org.gnome.Mutter.ScreenCast";
constexpr const char* kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
constexpr int kLeftButton = 0x110;  // BTN_LEFT
constexpr unsigned kShiftKeysym = 0xffe1;

[[noreturn]] void fail(const char* what, int error) {
  std::fprintf(stderr, "gnome_remote: %s: %s\n", what, std::strerror(-error));
  std::exit(1);
}

struct Stream {
  std::string connector;
  std::string path;
  long node = -1;
};

int onStreamAdded(sd_bus_message* message, void* data, sd_bus_error*) {
  std::uint32_t node = 0;
  if (sd_bus_message_read(message, "u", &node) >= 0) static_cast<Stream*>(data)->node = node;
  return 0;
}

// A method without a reply worth reading; the first failure ends the program.
void call(sd_bus* bus, const char* service, const char* path, const char* interface, const char* method,
          const char* types, ...) {
  sd_bus_message* request = nullptr;
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  int r = sd_bus_message_new_method_call(bus, &request, service, path, interface, method);
  if (r >= 0 && types != nullptr) {
    va_list args;
    va_start(args, types);
    r = sd_bus_message_appendv(request, types, args);
    va_end(args);
  }
  if (r >= 0) r = sd_bus_call(bus, request, 10'000'000, &error, &reply);
  if (r < 0) {
    std::fprintf(stderr, "gnome_remote: %s.%s: %s\n", interface, method, error.message ? error.message : "");
    std::exit(1);
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_message_unref(request);
}

// A method whose reply is one object path.
std::string callForPath(sd_bus* bus, const char* path, const char* interface, const char* method,
                        sd_bus_message* request) {
  sd_bus_message* reply = nullptr;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  const char* answer = nullptr;
  int r = sd_bus_call(bus, request, 10'000'000, &error, &reply);
  if (r >= 0) r = sd_bus_message_read(reply, "o", &answer);
  if (r < 0) {
    std::fprintf(stderr, "gnome_remote: %s %s.%s: %s\n", path, interface, method, error.message ? error.message : "");
    std::exit(1);
  }
  std::string result = answer;
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_message_unref(request);
  return result;
}

sd_bus_message* newCall(sd_bus* bus, const char* service, const char* path, const char* interface,
                        const char* method) {
  sd_bus_message* request = nullptr;
  const int r = sd_bus_message_new_method_call(bus, &request, service, path, interface, method);
  if (r < 0) fail("a method call", r);
  return request;
}

std::uint64_t msNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000 + static_cast<std::uint64_t>(t.tv_nsec) / 1'000'000;
}

}  // namespace

int main(int argc, char** argv) {
  sd_bus* bus = nullptr;
  if (const int r = sd_bus_open_user(&bus); r < 0) fail("the session bus", r);

  // The screen cast: one stream a monitor, each announcing its PipeWire node.
  sd_bus_message* create = newCall(bus, kScreenCast, "/org/gnome/Mutter/ScreenCast", kScreenCast, "CreateSession");
  if (const int r = sd_bus_message_append(create, "a{sv}", 0); r < 0) fail("CreateSession", r);
  const std::string castSession =
      callForPath(bus, "/org/gnome/Mutter/ScreenCast", kScreenCast, "CreateSession", create);
  const std::string castInterface = std::string(kScreenCast) + ".Session";
  std::vector<Stream> streams(static_cast<std::size_t>(argc > 1 ? argc - 1 : 0));
  for (std::size_t i = 0; i < streams.size(); ++i) {
    Stream& stream = streams[i];
    stream.connector = argv[i + 1];
    sd_bus_message* record =
        newCall(bus, kScreenCast, castSession.c_str(), castInterface.c_str(), "RecordMonitor");
    // cursor-mode 0: the pointer is not drawn into the pixels.
    if (const int r = sd_bus_message_append(record, "sa{sv}", stream.connector.c_str(), 1, "cursor-mode", "u", 0u);
        r < 0)
      fail("RecordMonitor", r);
    stream.path =
        callForPath(bus, castSession.c_str(), castInterface.c_str(), "RecordMonitor", record);
    const std::string streamInterface = std::string(kScreenCast) + ".Stream";
    if (const int r = sd_bus_match_signal(bus, nullptr, kScreenCast, stream.path.c_str(), streamInterface.c_str(),
                                          "PipeWireStreamAdded", onStreamAdded, &stream);
        r < 0)
      fail("a signal match", r);
  }
  call(bus, kScreenCast, castSession.c_str(), castInterface.c_str(), "Start", nullptr);
  const std::uint64_t deadline = msNow() + 10'000;
  for (const Stream& stream : streams) {
    while (stream.node < 0) {
      if (msNow() > deadline) {
        std::fprintf(stderr, "gnome_remote: no PipeWire stream for %s\n", stream.connector.c_str());
        return 1;
      }
      const int r = sd_bus_process(bus, nullptr);
      if (r < 0) fail("the session bus", r);
      if (r == 0) sd_bus_wait(bus, 100'000);
    }
  }

  // Remote input. Mutter makes its virtual devices on their first events, so
  // one key and a move there and back come first, before anything watches.
  sd_bus_message* remote =
      newCall(bus, kRemoteDesktop, "/org/gnome/Mutter/RemoteDesktop", kRemoteDesktop, "CreateSession");
  const std::string inputSession =
      callForPath(bus, "/org/gnome/Mutter/RemoteDesktop", kRemoteDesktop, "CreateSession", remote);
  const std::string inputInterface = std::string(kRemoteDesktop) + ".Session";
  const char* in = inputSession.c_str();
  const char* ii = inputInterface.c_str();
  call(bus, kRemoteDesktop, in, ii, "Start", nullptr);
  call(bus, kRemoteDesktop, in, ii, "NotifyKeyboardKeysym", "ub", kShiftKeysym, 1);
  call(bus, kRemoteDesktop, in, ii, "NotifyKeyboardKeysym", "ub", kShiftKeysym, 0);
  call(bus, kRemoteDesktop, in, ii, "NotifyPointerMotionRelative", "dd", 1.0, 1.0);
  call(bus, kRemoteDesktop, in, ii, "NotifyPointerMotionRelative", "dd", -1.0, -1.0);

  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  for (const Stream& stream : streams) std::printf("stream %s %ld\n", stream.connector.c_str(), stream.node);
  std::puts("ready");

  char line[128];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    unsigned keysym = 0;
    double dx = 0, dy = 0;
    if (std::sscanf(line, "key %x", &keysym) == 1) {
      call(bus, kRemoteDesktop, in, ii, "NotifyKeyboardKeysym", "ub", keysym, 1);
      call(bus, kRemoteDesktop, in, ii, "NotifyKeyboardKeysym", "ub", keysym, 0);
    } else if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
      call(bus, kRemoteDesktop, in, ii, "NotifyPointerMotionRelative", "dd", dx, dy);
    } else if (std::strncmp(line, "click", 5) == 0) {
      call(bus, kRemoteDesktop, in, ii, "NotifyPointerButton", "ib", kLeftButton, 1);
      call(bus, kRemoteDesktop, in, ii, "NotifyPointerButton", "ib", kLeftButton, 0);
    } else {
      std::fprintf(stderr, "gnome_remote: unknown command %s", line);
      return 1;
    }
    std::puts("ok");
  }
  call(bus, kRemoteDesktop, in, ii, "Stop", nullptr);
  call(bus, kScreenCast, castSession.c_str(), castInterface.c_str(), "Stop", nullptr);
  sd_bus_flush_close_unref(bus);
  return 0;
}
