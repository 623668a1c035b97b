// The full-screen saver: one borderless, topmost, layered window per monitor,
// each with its own flake field. They start invisible, fade in together over
// 100 ticks of one 31 ms timer to the opacity Bright sets, and draw one frame
// a tick. Main thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/fade.h"
#include "core/settings.h"

constexpr const char* kSaverClassName = "TForm1";
constexpr UINT_PTR kFrameTimerId = 1;  // WM_TIMER id, on the primary monitor's window
// The colour key handed with every opacity; its high byte makes it no RGB
// colour, so in practice no pixel matches it.
constexpr COLORREF kSaverColorKey = 0x1FFFFFFF;
// Full-screen mode ends on the inputs the core's EndsSaver names: any key,
// click, wheel or pointer movement (also a key that reaches another
// program), and when another program takes the activation;
// behind the settings dialog only Esc ends it, as the user works the dialog
// and "Our site".
enum class SaverInput { AnyInputEnds, EscapeOnly };

class Saver {
 public:
  // Every window draws with settings, read afresh each tick: the settings
  // dialog edits them as its sliders move. They must outlive the saver.
  Saver(SaverInput input, const Settings& settings);
  ~Saver();
  Saver(const Saver&) = delete;
  Saver& operator=(const Saver&) = delete;

  // Creates a hidden window per monitor, the primary's first, with the
  // frame timer. With loaded false (the settings could not be read) the
  // windows stay without surfaces: they fade in empty until input ends
  // them. Otherwise each gets its surface and a new field, and the running
  // notice is given. False when a window or a surface failed (reported in a
  // box); the saver has then ended.
  bool Create(bool loaded);
  // Notes where the pointer is, shows the windows and makes the primary's
  // the foreground window, so keys come here. A front window (the settings
  // dialog) becomes owned by the saver and is kept in front of it.
  void Show(HWND frontWindow = nullptr);
  // No window stays topmost, so a program the user opens comes in front.
  void StepBack();

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Window;

  // One tick: end on input another program got, follow the monitors (at
  // most once a second) and a changed window size, fade, draw every window
  // unless the display is off. A context that cannot be made current stops
  // the drawing with one box and ends the saver.
  void tick();
  // Releases every surface, withdraws the running notice and ends the
  // message loop; every way out comes through here, once.
  void end();
  // Covers the monitors as they are now: a window with a fresh field for
  // each new one, none for one that went; the fade, opacity and settings
  // stay. Nothing happens when the layout is unchanged.
  void followMonitors();
  bool startDrawing(Window& w);
  void fail(const std::string& text, const char* caption);
  bool owns(HWND window) const;
  void pointerMovedTo(POINT at);
  void releaseAll();
  HWND primaryWindow() const;

  SaverInput input_;
  const Settings& settings_;
  std::vector<std::unique_ptr<Window>> windows_;  // the primary monitor's first
  FadeIn fade_;
  std::uint8_t alpha_ = 0;       // the opacity last handed to the system
  HWND frontWindow_ = nullptr;   // settings mode: the dialog, kept in front
  bool loaded_ = false;
  bool noticeGiven_ = false;
  bool ended_ = false;
  bool pointerKnown_ = false;
  POINT pointerStart_{};
  DWORD inputSeen_ = 0;  // GetLastInputInfo at the start or the last pointer jitter
  bool keyboardsHeard_ = false;  // raw keyboard input registered
  bool displayOff_ = false;
  HPOWERNOTIFY displayNotice_ = nullptr;
  DWORD monitorsCheckedAt_ = 0;  // GetTickCount
};

// Full-screen mode: the saver from the stored settings until input ends it.
void RunSaver();
