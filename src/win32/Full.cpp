#include "win32/Full.h"

#include <cstdlib>

#include "core/Settings.h"
#include "core/funcs.h"
#include "core/opacity.h"
#include "core/render.h"
#include "win32/Settings_win32.h"
#include "win32/render_win32.h"

std::int32_t ViewWidth = 0;
std::int32_t ViewHeight = 0;
double FadeLevel = 0;
TForm1* Form1 = nullptr;
bool EndOnAnyInput = false;

namespace {

constexpr UINT kSpiSetScreenSaverRunning = 97;

void announceScreenSaver(bool running) {
  ::SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? TRUE : FALSE, nullptr, 0);
}

}  // namespace

TForm1::TForm1() : Timer(*this, kFrameIntervalMs) {
  Form1 = this;
  Timer.OnTimer = [this] { TimerTimer(); };
}

TForm1::~TForm1() {
  destroy();
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::createParams(FormParams& params) {
  params.className = "TForm1";
  params.caption = "Flindra";
  params.style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.exStyle = WS_EX_LAYERED;
  params.classStyle = CS_OWNDC;
  // The primary screen from the start, so a window whose creation stopped
  // early still covers it.
  params.width = ::GetSystemMetrics(SM_CXSCREEN);
  params.height = ::GetSystemMetrics(SM_CYSCREEN);
  params.color = RGB(0, 0, 0);
  params.icon = true;
}

void TForm1::handleCreated() {
  ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetLayeredWindowAttributes(Handle(), kSaverColorKey, alpha_, LWA_ALPHA | LWA_COLORKEY);
}

void TForm1::firstShowing() {
  SetLeft((::GetSystemMetrics(SM_CXVIRTUALSCREEN) - Width()) / 2);
  SetTop((::GetSystemMetrics(SM_CYVIRTUALSCREEN) - Height()) / 2);
  // Where the pointer is as the saver appears; without one, the first move
  // report sets it.
  pointerKnown_ = ::GetCursorPos(&pointerStart_) != FALSE;
}

void TForm1::FormCreate() {
  LoadSettings();
  ViewWidth = ::GetSystemMetrics(SM_CXSCREEN);
  ViewHeight = ::GetSystemMetrics(SM_CYSCREEN);
  SetClientWidth(ViewWidth);
  SetClientHeight(ViewHeight);
  SetWidth(ClientWidth());
  SetHeight(ClientHeight());
  if (!SetupSurface(Handle(), SurfaceVariant::FullScreen, DeviceContext, RenderContext, ViewWidth, ViewHeight, Width(),
                    Height())) {
    // The close releases the device context; with no pixel format there is
    // nothing to draw with, so creation ends here, without the notice.
    Close();
    return;
  }
  SeedFlakeTable();
  SwayStep = static_cast<double>(SaverSettings.Fast.load()) / 5;
  announceScreenSaver(true);
  noticeGiven_ = true;
}

void TForm1::FormResize() {
  // The first resize comes while FormCreate sizes the window, before there is
  // a context to project with.
  if (RenderContext == nullptr) return;
  SetupProjection(ViewWidth, ViewHeight, Width(), Height());
}

void TForm1::TimerTimer() {
  if (ClientWidth() != ViewWidth || ClientHeight() != ViewHeight) {
    ViewWidth = ClientWidth();
    ViewHeight = ClientHeight();
    FormResize();
  }
  FadeLevel = NextFadeLevel(FadeLevel);
  setAlphaBlendValue(OpacityByte(SaverSettings.Bright.load(), FadeLevel));
  Draw();
}

void TForm1::Draw() {
  if (RenderContext != nullptr) DrawSurfaceFrame(DeviceContext);
}

void TForm1::setAlphaBlendValue(std::uint8_t alpha) {
  if (alpha == alpha_) return;
  alpha_ = alpha;
  ::SetLayeredWindowAttributes(Handle(), kSaverColorKey, alpha_, LWA_ALPHA | LWA_COLORKEY);
}

void TForm1::FormKeyDown(WORD key) {
  if (key == VK_ESCAPE || EndOnAnyInput) endSaver();
}

void TForm1::FormMouseMove(int x, int y) {
  if (!EndOnAnyInput) return;
  POINT at{x, y};
  ::ClientToScreen(Handle(), &at);
  if (!pointerKnown_) {
    pointerKnown_ = true;
    pointerStart_ = at;
    return;
  }
  if (std::abs(at.x - pointerStart_.x) > kPointerSlack || std::abs(at.y - pointerStart_.y) > kPointerSlack) endSaver();
}

void TForm1::FormMouseDown(int, int) {
  if (EndOnAnyInput) endSaver();
}

void TForm1::FormClose() { releaseAll(); }

void TForm1::handleDestroying() { releaseAll(); }

// Stops the frames, releases the surface and withdraws the running notice;
// every way the window ends comes through here.
void TForm1::releaseAll() {
  Timer.SetEnabled(false);
  ReleaseSurface(Handle(), DeviceContext, RenderContext);
  if (noticeGiven_) announceScreenSaver(false);
  noticeGiven_ = false;
}

void TForm1::endSaver() {
  releaseAll();
  Application.Terminate();
}
