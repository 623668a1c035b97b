// Input that ends the saver, by the core's rule (core/user_input.h): any
// key, any button, the wheel, a touch, or the pointer strayed beyond the
// slack from where it was first seen over the saver. How far it strayed is
// the sum of its relative motion where the compositor tells it
// (zwp_relative_pointer_v1): a window going full screen under a still
// pointer moves the pointer's place on it without any move of the pointer.
// The pointer is hidden over the saver's surfaces.
#pragma once

#include <wayland-client.h>

#include <functional>
#include <string>

struct zwp_relative_pointer_manager_v1;
struct zwp_relative_pointer_v1;

// Where a surface's top-left corner sits in the compositor's space; false
// for a surface that is not the saver's.
using SurfaceOrigin = std::function<bool(wl_surface* surface, int& x, int& y)>;

struct Input {
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  wl_touch* touch = nullptr;
  zwp_relative_pointer_manager_v1* relativeManager = nullptr;  // may be absent
  zwp_relative_pointer_v1* relative = nullptr;
  SurfaceOrigin originOf;
  std::function<void(wl_surface*)> keyboardEntered;  // the keyboard came to a surface
  std::string endedBy;  // what ended the saver ("a key", ...); empty while it runs
  bool pointerSeen = false;
  double pointerStartX = 0, pointerStartY = 0;  // compositor space
  double movedX = 0, movedY = 0;                // relative motion over the saver since it showed
  wl_surface* pointerSurface = nullptr;
};

// Follows the seat's keyboard, pointer and touch as they come and go.
void WatchInput(Input& input, wl_seat* seat, SurfaceOrigin originOf);

// A showing begins: nothing ended it yet, and the pointer starts where it is
// next seen; its relative motion is followed where the compositor offers it.
void StartWatchingAnew(Input& input, zwp_relative_pointer_manager_v1* relative);
void StopInput(Input& input);
