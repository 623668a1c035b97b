// The full-screen saver window: a borderless, topmost, layered window over the
// primary screen. It starts invisible, fades in over 100 ticks of its 31 ms
// timer to the opacity Bright sets, and draws one frame of flakes a tick.
#pragma once

#include <cstdint>

#include "win32/forms.h"

class TForm1 : public TForm {
 public:
  TForm1();
  ~TForm1() override;

  TTimer Timer;                   // 31 ms, enabled from creation on, runs TimerTimer
  HGLRC RenderContext = nullptr;  // the window's OpenGL context; null until FormCreate
  HDC DeviceContext = nullptr;    // the window's device context; null until FormCreate

  void FormCreate() override;
  void FormClose() override;
  void FormKeyDown(WORD key) override;
  void FormMouseMove(int x, int y) override;
  void TimerTimer();
  void Draw();
  void FormResize() override;
  void FormMouseDown(int x, int y) override;

  // The opacity byte last handed to the system: 0 invisible .. 255 opaque.
  std::uint8_t AlphaBlendValue() const { return alpha_; }
  // Whether this window has told the system that a screen saver runs.
  bool RunningNoticeGiven() const { return noticeGiven_; }

 protected:
  void createParams(FormParams& params) override;
  void handleCreated() override;
  void firstShowing() override;
  void handleDestroying() override;

 private:
  void setAlphaBlendValue(std::uint8_t alpha);
  void releaseAll();
  void endSaver();
  std::uint8_t alpha_ = 0;
  bool noticeGiven_ = false;
  bool pointerKnown_ = false;
  POINT pointerStart_{};
};

constexpr UINT kFrameIntervalMs = 31;
// The colour key handed with every opacity; its high byte makes it no RGB
// colour, so in practice no pixel matches it.
constexpr COLORREF kSaverColorKey = 0x1FFFFFFF;
// Full-screen mode: a pointer this many pixels (either axis) from where it was
// first seen ends the saver; smaller jitter does not.
constexpr int kPointerSlack = 4;

extern std::int32_t ViewWidth;   // viewport width in pixels
extern std::int32_t ViewHeight;  // viewport height in pixels
extern double FadeLevel;         // 0 at start, +0.01 a tick up to 1.0000000000000007; never reset
extern TForm1* Form1;
// Full-screen mode: any key, click or pointer movement ends the saver. In
// settings mode (false) only Esc does, as the user works the dialog.
extern bool EndOnAnyInput;
