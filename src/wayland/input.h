// Input that ends the saver, by the core's rule (core/user_input.h): any
// key, any button, the wheel, a touch, or the pointer strayed beyond the
// slack from where it was first seen over the saver. The pointer is hidden
// over the saver's surfaces.
#pragma once

#include <wayland-client.h>

#include <functional>
#include <string>

// Where a surface's top-left corner sits in the compositor's space; false
// for a surface that is not the saver's.
using SurfaceOrigin = std::function<bool(wl_surface* surface, int& x, int& y)>;

struct Input {
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  wl_touch* touch = nullptr;
  SurfaceOrigin originOf;
  std::function<void(wl_surface*)> keyboardEntered;  // the keyboard came to a surface
  std::string endedBy;  // what ended the saver ("a key", ...); empty while it runs
  bool pointerSeen = false;
  double pointerStartX = 0, pointerStartY = 0;  // compositor space
  wl_surface* pointerSurface = nullptr;
};

// Follows the seat's keyboard, pointer and touch as they come and go.
void WatchInput(Input& input, wl_seat* seat, SurfaceOrigin originOf);
void StopInput(Input& input);
