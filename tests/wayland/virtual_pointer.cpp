// A pointer of its own on the compositor's seat, driven from standard input
// one line at a time, each answered "ok" once the compositor has it:
//   move DX DY    relative motion in compositor pixels
//   click         the left button pressed and released
//   wheel         one notch of the wheel, down
// Prints "ready" once the pointer exists. Start it before the program under
// test, so that program's seat has a pointer from the start.
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

constexpr std::uint32_t kLeftButton = 0x110;  // BTN_LEFT

struct Globals {
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
  auto& g = *static_cast<Globals*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && g.seat == nullptr)
    g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    g.manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

const wl_registry_listener kRegistryListener = {onGlobal, [](void*, wl_registry*, std::uint32_t) {}};

std::uint32_t msNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "virtual_pointer: no compositor\n");
    return 1;
  }
  Globals g;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &g);
  wl_display_roundtrip(display);
  if (g.manager == nullptr) {
    std::fprintf(stderr, "virtual_pointer: the compositor has no zwlr_virtual_pointer_manager_v1\n");
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g.manager, g.seat);
  wl_display_roundtrip(display);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::puts("ready");

  char line[128];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    double dx = 0, dy = 0;
    if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
      zwlr_virtual_pointer_v1_motion(pointer, msNow(), wl_fixed_from_double(dx), wl_fixed_from_double(dy));
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (std::strncmp(line, "click", 5) == 0) {
      zwlr_virtual_pointer_v1_button(pointer, msNow(), kLeftButton, WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(pointer);
      zwlr_virtual_pointer_v1_button(pointer, msNow(), kLeftButton, WL_POINTER_BUTTON_STATE_RELEASED);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (std::strncmp(line, "wheel", 5) == 0) {
      const std::uint32_t at = msNow();
      zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
      zwlr_virtual_pointer_v1_axis_discrete(pointer, at, WL_POINTER_AXIS_VERTICAL_SCROLL, wl_fixed_from_int(15), 1);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else {
      std::fprintf(stderr, "virtual_pointer: unknown command %s", line);
      return 1;
    }
    if (wl_display_roundtrip(display) < 0) return 1;
    std::puts("ok");
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(g.manager);
  if (g.seat != nullptr) wl_seat_destroy(g.seat);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return 0;
}
