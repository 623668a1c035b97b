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

#include "core/beat.h"
#include "core/fade.h"
#include "core/flakes.h"

constexpr const char* kSaverClassName = "TForm1";
constexpr UINT_PTR kFrameTimerId = 1;  // WM_TIMER id, on the primary monitor's window
// The colour key handed with every opacity; its high byte makes it no RGB
// colour, so in practice no pixel matches it.
constexpr COLORREF kSaverColorKey = 0x1FFFFFFF;
// Full-screen mode: a pointer this many pixels (either axis) from where it was
// first seen ends the saver; smaller jitter does not.
constexpr int kPointerSlack = 4;

// Full-screen mode ends on any key, click or pointer movement, and when
// another program takes the activation; behind the settings dialog only Esc
// ends it, as the user works the dialog and "Our site".
enum class SaverInput { AnyInputEnds, EscapeOnly };

// One monitor's window and what it draws with; a null handle is not held.
struct SaverWindow {
  HWND window = nullptr;
  HDC dc = nullptr;
  HGLRC rc = nullptr;
  std::unique_ptr<FlakeField> field = std::make_unique<FlakeField>();
  RECT area{};         // the monitor it covers, virtual-screen pixels
  int viewWidth = 0;   // viewport, pixels
  int viewHeight = 0;  // viewport, pixels
};

class Saver {
 public:
  explicit Saver(SaverInput input) : input_(input) {}
  ~Saver();
  Saver(const Saver&) = delete;
  Saver& operator=(const Saver&) = delete;

  // Creates a hidden window per monitor, the primary's first, with the
  // frame timer. With loaded false (the settings could not be read) the
  // windows stay without surfaces: they fade in empty until input ends
  // them. Otherwise each gets its surface and seeded field, and the running
  // notice is given. False when a window or a surface failed (reported in a
  // box); the saver has then ended.
  bool Create(bool loaded);
  // Notes where the pointer is, shows the windows and makes the primary's
  // the foreground window, so keys come here.
  void Show();
  // One tick: follow the monitors (at most once a second) and a changed
  // window size, fade, draw every window unless the display is off.
  void Tick();
  // Releases every surface, withdraws the running notice and ends the
  // message loop; every way out comes through here, once.
  void End();

  Settings settings;     // shared by every window; the dialog edits it live
  FadeIn fade;
  std::uint8_t alpha = 0;  // the opacity last handed to the system
  std::vector<SaverWindow> windows;  // the primary monitor's first
  // Settings mode: the dialog, brought back in front whenever the saver is
  // activated.
  HWND frontWindow = nullptr;

  HWND primaryWindow() const { return windows.empty() ? nullptr : windows.front().window; }
  bool runningNoticeGiven() const { return noticeGiven_; }
  bool ended() const { return ended_; }
  // The console display is off (as the system last reported it).
  bool displayOff() const { return displayOff_; }

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // Covers the monitors as they are now: a window with a fresh field for
  // each new one, none for one that went; the fade, opacity and settings
  // stay. Nothing happens when the layout is unchanged.
  void followMonitors();
  bool openWindow(SaverWindow& w, const RECT& area);
  bool startDrawing(SaverWindow& w);
  void fail(const std::string& text, const char* caption);
  bool owns(HWND window) const;
  void pointerMovedTo(POINT at);
  void releaseAll();

  SaverInput input_;
  bool loaded_ = false;
  bool noticeGiven_ = false;
  bool ended_ = false;
  bool pointerKnown_ = false;
  POINT pointerStart_{};
  bool displayOff_ = false;
  HPOWERNOTIFY displayNotice_ = nullptr;
  DWORD monitorsCheckedAt_ = 0;  // GetTickCount
};

// Loads the stored settings into saver, creates and shows its windows;
// false when it has already ended.
bool StartSaver(Saver& saver);

// Full-screen mode: the saver from the stored settings until input ends it.
void RunSaver();
