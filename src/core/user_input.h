// Which inputs end a running saver, alike on every platform: any key, any
// button, the wheel (a notch or a scroll), a touch, or the pointer strayed
// more than kPointerSlack pixels on either axis from where it was first
// seen. Smaller moves are jitter of the desk or the mouse and leave it running.
#pragma once

enum class UserInput { Key, Button, Wheel, Touch, PointerMove };

constexpr int kPointerSlack = 4;  // pixels, either axis

// dx, dy: pixels from where the pointer was first seen.
constexpr bool PointerStrayed(double dx, double dy) {
  return dx > kPointerSlack || dx < -kPointerSlack || dy > kPointerSlack || dy < -kPointerSlack;
}

// True when that input ends the saver; dx, dy count only for a pointer move.
constexpr bool EndsSaver(UserInput input, double dx = 0, double dy = 0) {
  return input != UserInput::PointerMove || PointerStrayed(dx, dy);
}

// "a key", "the wheel": what ended a saver, for a line about it.
constexpr const char* UserInputName(UserInput input) {
  switch (input) {
    case UserInput::Key: return "a key";
    case UserInput::Button: return "a button";
    case UserInput::Wheel: return "the wheel";
    case UserInput::Touch: return "a touch";
    case UserInput::PointerMove: return "a pointer move";
  }
  return "input";
}
