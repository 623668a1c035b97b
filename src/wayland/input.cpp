#include "wayland/input.h"

#include <unistd.h>

#include <cstdio>

#include "core/user_input.h"
#include "relative-pointer-unstable-v1-client-protocol.h"

namespace {

Input& inputOf(void* data) { return *static_cast<Input*>(data); }

// Each device is released where the seat's version has the request (3 on).
template <typename Device>
void letGo(Device*& device, void (*release)(Device*), void (*destroy)(Device*)) {
  if (device == nullptr) return;
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(device)) >= 3) release(device);
  else destroy(device);
  device = nullptr;
}

// Input that ends the saver by the core's rule; a pointer move names how far it went.
void end(Input& input, UserInput what, double dx = 0, double dy = 0) {
  if (!input.endedBy.empty() || !EndsSaver(what, dx, dy)) return;
  input.endedBy = UserInputName(what);
  if (what != UserInput::PointerMove) return;
  char detail[48];
  std::snprintf(detail, sizeof detail, " (%+.0f, %+.0f)", dx, dy);
  input.endedBy += detail;
}

// The first place the pointer is seen over the saver is where it starts;
// from then on a move beyond the slack ends the saver.
void pointerAt(Input& input, wl_surface* surface, wl_fixed_t sx, wl_fixed_t sy) {
  if (input.relative != nullptr) return;  // the relative motion tells
  int originX = 0, originY = 0;
  if (surface == nullptr || !input.originOf(surface, originX, originY)) return;
  const double x = originX + wl_fixed_to_double(sx), y = originY + wl_fixed_to_double(sy);
  if (!input.pointerSeen) {
    input.pointerSeen = true;
    input.pointerStartX = x;
    input.pointerStartY = y;
    return;
  }
  end(input, UserInput::PointerMove, x - input.pointerStartX, y - input.pointerStartY);
}

// The keymap is of no use here.
void keyboardHandleKeymap(void*, wl_keyboard*, std::uint32_t, int fd, std::uint32_t) { close(fd); }

void keyboardHandleEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
  Input& input = inputOf(data);
  if (surface != nullptr && input.keyboardEntered) input.keyboardEntered(surface);
}

void keyboardHandleLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}

void keyboardHandleKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) end(inputOf(data), UserInput::Key);
}

void keyboardHandleModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                             std::uint32_t) {}
void keyboardHandleRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

const wl_keyboard_listener kKeyboardListener = {keyboardHandleKeymap, keyboardHandleEnter,     keyboardHandleLeave,
                                                keyboardHandleKey,    keyboardHandleModifiers, keyboardHandleRepeatInfo};

void pointerHandleEnter(void* data, wl_pointer* pointer, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                        wl_fixed_t y) {
  Input& input = inputOf(data);
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the saver
  input.pointerSurface = surface;
  pointerAt(input, surface, x, y);
}

void pointerHandleLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) { inputOf(data).pointerSurface = nullptr; }

void pointerHandleMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
  Input& input = inputOf(data);
  pointerAt(input, input.pointerSurface, x, y);
}

void pointerHandleButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) end(inputOf(data), UserInput::Button);
}

// A wheel notch or a scroll on a touchpad.
void pointerHandleAxis(void* data, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t value) {
  if (value != 0) end(inputOf(data), UserInput::Wheel);
}

void pointerHandleFrame(void*, wl_pointer*) {}
void pointerHandleAxisSource(void*, wl_pointer*, std::uint32_t) {}
void pointerHandleAxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void pointerHandleAxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
void pointerHandleAxisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

const wl_pointer_listener kPointerListener = {
    pointerHandleEnter,     pointerHandleLeave,      pointerHandleMotion,     pointerHandleButton,
    pointerHandleAxis,      pointerHandleFrame,      pointerHandleAxisSource, pointerHandleAxisStop,
    pointerHandleAxisDiscrete, pointerHandleAxisValue120};

void touchHandleDown(void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface*, std::int32_t, wl_fixed_t,
                     wl_fixed_t) {
  end(inputOf(data), UserInput::Touch);
}

void touchHandleUp(void*, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t) {}
void touchHandleMotion(void*, wl_touch*, std::uint32_t, std::int32_t, wl_fixed_t, wl_fixed_t) {}
void touchHandleFrame(void*, wl_touch*) {}
void touchHandleCancel(void*, wl_touch*) {}
void touchHandleShape(void*, wl_touch*, std::int32_t, wl_fixed_t, wl_fixed_t) {}
void touchHandleOrientation(void*, wl_touch*, std::int32_t, wl_fixed_t) {}

const wl_touch_listener kTouchListener = {touchHandleDown,   touchHandleUp,    touchHandleMotion,     touchHandleFrame,
                                          touchHandleCancel, touchHandleShape, touchHandleOrientation};

void relativePointerHandleRelativeMotion(void* data, zwp_relative_pointer_v1*, std::uint32_t, std::uint32_t,
                                         wl_fixed_t dx, wl_fixed_t dy, wl_fixed_t, wl_fixed_t) {
  Input& input = inputOf(data);
  int x = 0, y = 0;
  if (input.pointerSurface == nullptr || !input.originOf(input.pointerSurface, x, y)) return;
  input.movedX += wl_fixed_to_double(dx);
  input.movedY += wl_fixed_to_double(dy);
  end(input, UserInput::PointerMove, input.movedX, input.movedY);
}

const zwp_relative_pointer_v1_listener kRelativeListener = {relativePointerHandleRelativeMotion};

void followRelative(Input& input) {
  if (input.relativeManager == nullptr || input.pointer == nullptr || input.relative != nullptr) return;
  input.relative = zwp_relative_pointer_manager_v1_get_relative_pointer(input.relativeManager, input.pointer);
  zwp_relative_pointer_v1_add_listener(input.relative, &kRelativeListener, &input);
}

void letGoRelative(Input& input) {
  if (input.relative != nullptr) zwp_relative_pointer_v1_destroy(input.relative);
  input.relative = nullptr;
}

// Devices the seat no longer has are let go; new ones are listened to.
void seatHandleCapabilities(void* data, wl_seat* seat, std::uint32_t caps) {
  Input& input = inputOf(data);
  const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool touch = (caps & WL_SEAT_CAPABILITY_TOUCH) != 0;
  if (keyboard && input.keyboard == nullptr) {
    input.keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(input.keyboard, &kKeyboardListener, &input);
  } else if (!keyboard) {
    letGo(input.keyboard, wl_keyboard_release, wl_keyboard_destroy);
  }
  if (pointer && input.pointer == nullptr) {
    input.pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(input.pointer, &kPointerListener, &input);
    followRelative(input);
  } else if (!pointer) {
    letGoRelative(input);
    letGo(input.pointer, wl_pointer_release, wl_pointer_destroy);
    input.pointerSurface = nullptr;
  }
  if (touch && input.touch == nullptr) {
    input.touch = wl_seat_get_touch(seat);
    wl_touch_add_listener(input.touch, &kTouchListener, &input);
  } else if (!touch) {
    letGo(input.touch, wl_touch_release, wl_touch_destroy);
  }
}

void seatHandleName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {seatHandleCapabilities, seatHandleName};

}  // namespace

void WatchInput(Input& input, wl_seat* seat, SurfaceOrigin originOf) {
  input.originOf = std::move(originOf);
  if (seat != nullptr) wl_seat_add_listener(seat, &kSeatListener, &input);
}

void StartWatchingAnew(Input& input, zwp_relative_pointer_manager_v1* relative) {
  input.relativeManager = relative;
  followRelative(input);
  input.endedBy.clear();
  input.pointerSeen = false;
  input.movedX = input.movedY = 0;
}

void StopInput(Input& input) {
  letGoRelative(input);
  letGo(input.keyboard, wl_keyboard_release, wl_keyboard_destroy);
  letGo(input.pointer, wl_pointer_release, wl_pointer_destroy);
  letGo(input.touch, wl_touch_release, wl_touch_destroy);
  input.pointerSurface = nullptr;
}
