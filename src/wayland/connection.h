// The connection to the compositor and the globals flindra-wayland uses:
// compositor, seat, layer shell (or xdg-shell where there is none), what
// scales and inhibits shortcuts where offered, and every output with its
// name, place, mode and scale, followed while the program runs.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct zwlr_layer_shell_v1;
struct xdg_wm_base;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct wp_viewporter;
struct wp_fractional_scale_manager_v1;
struct zwp_keyboard_shortcuts_inhibit_manager_v1;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct zwp_relative_pointer_manager_v1;
struct Connection;

// One output of the desktop.
struct Output {
  Connection* connection = nullptr;
  wl_output* output = nullptr;
  std::uint32_t globalName = 0;  // the registry's name, to match its removal
  zxdg_output_v1* xdgOutput = nullptr;
  std::string name;       // "DP-2", "HEADLESS-1"; empty when the compositor gives none
  int x = 0, y = 0;       // top-left corner in the compositor's space, logical pixels
  int width = 0, height = 0;  // logical pixels (the current mode until xdg-output says)
  int modeWidth = 0, modeHeight = 0;  // the current mode as laid on the desk (turned with the output), device pixels
  int sentModeWidth = 0, sentModeHeight = 0;  // the current mode as wl_output sent it
  std::int32_t transform = 0;                 // wl_output.transform
  std::int32_t scale = 1; // buffer pixels per logical pixel, rounded up from a fractional scale
  bool described = false; // wl_output.done seen
  bool placed = false;    // xdg-output gave its place (or there is no xdg-output)
  bool announced = false; // outputAdded called
};

struct Connection {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  wl_seat* seat = nullptr;
  zwlr_layer_shell_v1* layerShell = nullptr;
  xdg_wm_base* wmBase = nullptr;
  zxdg_output_manager_v1* outputManager = nullptr;
  wp_viewporter* viewporter = nullptr;                                    // may be absent
  wp_fractional_scale_manager_v1* fractionalScale = nullptr;              // may be absent
  zwp_keyboard_shortcuts_inhibit_manager_v1* shortcutsInhibit = nullptr;  // may be absent
  ext_idle_notifier_v1* idleNotifier = nullptr;                           // may be absent
  org_kde_kwin_idle* kdeIdle = nullptr;                                   // may be absent
  zwp_relative_pointer_manager_v1* relativePointer = nullptr;             // may be absent
  std::vector<std::unique_ptr<Output>> outputs;
  // Called when the seat is bound, before its first event.
  std::function<void(wl_seat*)> seatAdded;
  // Called once an output is fully described, and before one goes away.
  std::function<void(Output&)> outputAdded;
  std::function<void(Output&)> outputRemoved;
};

// Connects to $WAYLAND_DISPLAY and waits for the globals and the outputs'
// descriptions. False, with everything let go, when there is no compositor
// to talk to or it went away meanwhile.
bool OpenConnection(Connection& c);

// Lets go of every global, then disconnects.
void CloseConnection(Connection& c);
