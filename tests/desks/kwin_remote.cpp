// A person at a KWin desk, as the tests need one, driven from standard input
// one line at a time, each answered "ok" once KWin has it:
//   key              the key x pressed and released
//   move DX DY       relative pointer motion in pixels
//   click            the left button pressed and released
//   shot NAME FILE   the output NAME's pixels as a binary PPM in FILE
//   agent-inhibit    holds an inhibition of the screen's policy (4) with
//                    Plasma's PowerDevil policy agent, as kscreenlocker does
//                    for a player's org.freedesktop.ScreenSaver.Inhibit
//   agent-release    lets it go
// Input goes through org_kde_kwin_fake_input, pixels through
// org.kde.KWin.ScreenShot2.CaptureScreen (no cursor). Prints "ready" once the
// fake input is there. KWin hands both only to clients it trusts; the desk
// of scripts/with-desk trusts every client.
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fake-input-client-protocol.h"

namespace {

constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT
constexpr std::uint32_t kKeyX = 45;           // KEY_X
constexpr std::uint32_t kPressed = 1;
constexpr std::uint32_t kReleased = 0;

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
  if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
    *static_cast<org_kde_kwin_fake_input**>(data) = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

const wl_registry_listener kRegistryListener = {onGlobal, [](void*, wl_registry*, std::uint32_t) {}};

// The screenshot's description from CaptureScreen's reply.
struct Capture {
  std::uint32_t width = 0, height = 0, stride = 0, format = 0;
};

bool readCapture(sd_bus_message* reply, Capture& capture) {
  if (sd_bus_message_enter_container(reply, 'a', "{sv}") < 0) return false;
  while (sd_bus_message_enter_container(reply, 'e', "sv") > 0) {
    const char* key = nullptr;
    char type = 0;
    const char* contents = nullptr;
    if (sd_bus_message_read(reply, "s", &key) < 0 || sd_bus_message_peek_type(reply, &type, &contents) < 0)
      return false;
    std::uint32_t* field = std::strcmp(key, "width") == 0    ? &capture.width
                           : std::strcmp(key, "height") == 0 ? &capture.height
                           : std::strcmp(key, "stride") == 0 ? &capture.stride
                           : std::strcmp(key, "format") == 0 ? &capture.format
                                                             : nullptr;
    const int r = field != nullptr && std::strcmp(contents, "u") == 0 ? sd_bus_message_read(reply, "v", "u", field)
                                                                      : sd_bus_message_skip(reply, "v");
    if (r < 0 || sd_bus_message_exit_container(reply) < 0) return false;
  }
  return sd_bus_message_exit_container(reply) >= 0;
}

// QImage's 32-bit formats (RGB32, ARGB32, ARGB32_Premultiplied): B, G, R, A in memory.
bool isBgra(std::uint32_t format) { return format >= 4 && format <= 6; }

bool shot(sd_bus* bus, const char* output, const char* file) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_call_method(bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                             "CaptureScreen", &error, &reply, "sa{sv}h", output, 1, "include-cursor", "b", 0, fds[1]);
  close(fds[1]);
  Capture capture;
  if (r < 0 || !readCapture(reply, capture) || !isBgra(capture.format) || capture.stride < capture.width * 4) {
    std::fprintf(stderr, "kwin_remote: CaptureScreen %s: %s (format %u)\n", output,
                 error.message != nullptr ? error.message : "an unexpected reply", capture.format);
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    close(fds[0]);
    return false;
  }
  sd_bus_message_unref(reply);
  // KWin writes the pixels once it has replied, and closes its end.
  std::vector<unsigned char> pixels;
  unsigned char chunk[65536];
  ssize_t got = 0;
  while ((got = read(fds[0], chunk, sizeof chunk)) > 0) pixels.insert(pixels.end(), chunk, chunk + got);
  close(fds[0]);
  if (pixels.size() < std::size_t{capture.stride} * capture.height) {
    std::fprintf(stderr, "kwin_remote: %zu bytes for %u x %u\n", pixels.size(), capture.width, capture.height);
    return false;
  }
  FILE* out = std::fopen(file, "wb");
  if (out == nullptr) return false;
  std::fprintf(out, "P6\n%u %u\n255\n", capture.width, capture.height);
  std::vector<unsigned char> row(std::size_t{capture.width} * 3);
  for (std::size_t y = 0; y < capture.height; ++y) {
    const unsigned char* from = pixels.data() + y * capture.stride;
    for (std::size_t x = 0; x < capture.width; ++x) {
      row[x * 3] = from[x * 4 + 2];
      row[x * 3 + 1] = from[x * 4 + 1];
      row[x * 3 + 2] = from[x * 4];
    }
    std::fwrite(row.data(), 1, row.size(), out);
  }
  return std::fclose(out) == 0;
}

// Calls the agent's AddInhibition (command "inhibit") or ReleaseInhibition.
bool agent(sd_bus* bus, const char* command, std::uint32_t& cookie) {
  const char* agent = "org.kde.Solid.PowerManagement.PolicyAgent";
  const char* path = "/org/kde/Solid/PowerManagement/PolicyAgent";
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const bool inhibit = std::strncmp(command, "inhibit", 7) == 0;
  int r = inhibit ? sd_bus_call_method(bus, agent, path, agent, "AddInhibition", &error, &reply, "uss", 4,
                                       "Flindra tests", "a film")
                  : sd_bus_call_method(bus, agent, path, agent, "ReleaseInhibition", &error, &reply, "u", cookie);
  if (r >= 0 && inhibit) r = sd_bus_message_read(reply, "u", &cookie);
  if (r < 0) std::fprintf(stderr, "kwin_remote: the policy agent: %s\n", error.message ? error.message : "no cookie");
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  return r >= 0;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  sd_bus* bus = nullptr;
  if (display == nullptr || sd_bus_open_user(&bus) < 0) {
    std::fprintf(stderr, "kwin_remote: no compositor or no session bus\n");
    return 1;
  }
  org_kde_kwin_fake_input* input = nullptr;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &input);
  wl_display_roundtrip(display);
  if (input == nullptr) {
    std::fprintf(stderr, "kwin_remote: the compositor offers no org_kde_kwin_fake_input version 4\n");
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(input, "Flindra tests", "to end the saver as a person would");
  wl_display_roundtrip(display);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::puts("ready");

  std::uint32_t cookie = 0;  // the agent's, for the inhibition held
  char line[4096];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    double dx = 0, dy = 0;
    char output[256], file[3800];
    if (std::strncmp(line, "key", 3) == 0) {
      org_kde_kwin_fake_input_keyboard_key(input, kKeyX, kPressed);
      org_kde_kwin_fake_input_keyboard_key(input, kKeyX, kReleased);
    } else if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
      org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
    } else if (std::strncmp(line, "click", 5) == 0) {
      org_kde_kwin_fake_input_button(input, kLeftButton, kPressed);
      org_kde_kwin_fake_input_button(input, kLeftButton, kReleased);
    } else if (std::sscanf(line, "shot %255s %3799s", output, file) == 2) {
      if (!shot(bus, output, file)) return 1;
    } else if (std::strncmp(line, "agent-", 6) == 0) {
      if (!agent(bus, line + 6, cookie)) return 1;
    } else {
      std::fprintf(stderr, "kwin_remote: unknown command %s", line);
      return 1;
    }
    if (wl_display_roundtrip(display) < 0) return 1;
    std::puts("ok");
  }
  org_kde_kwin_fake_input_destroy(input);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  sd_bus_flush_close_unref(bus);
  return 0;
}
