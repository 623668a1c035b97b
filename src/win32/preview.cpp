#include "win32/preview.h"

#include <cstdint>

#include "core/cmdline.h"
#include "core/settings.h"
#include "win32/password.h"
#include "win32/wgl_surface.h"
#include "win32/window_class.h"

namespace {

constexpr DWORD kRenderThreadEndMs = 2000;  // bound on waiting for the thread's last tick

HWND handleFromValue(std::int32_t value) {
  // Window handles are 32-bit values, sign-extended in a 64-bit process.
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
}

}  // namespace

Preview::~Preview() {
  endRenderThread();
  const HWND w = window;
  if (::IsWindow(w) && ::GetWindowThreadProcessId(w, nullptr) == ::GetCurrentThreadId()) ::DestroyWindow(w);
}

// The render thread may use the window only while the window thread has not
// finished with it and the handle still names a window.
bool Preview::windowInUse(HWND w) const { return !ended_ && ::IsWindow(w); }

// Marks the window as done with and waits for the render thread's end, at
// most one tick away. Sent messages are handled meanwhile: the thread may be
// inside ShowWindow or UpdateWindow, which wait for this thread.
void Preview::endRenderThread() {
  ended_ = true;
  if (thread_ == nullptr) return;
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD waited = ::GetTickCount() - start;
    if (waited >= kRenderThreadEndMs) break;
    const DWORD status =
        ::MsgWaitForMultipleObjects(1, &thread_, FALSE, kRenderThreadEndMs - waited, QS_SENDMESSAGE);
    if (status != WAIT_OBJECT_0 + 1) break;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  ::CloseHandle(thread_);
  thread_ = nullptr;
}

void Preview::Run(std::string_view parentArgument) {
  const auto parsed = ParsePreviewParent(parentArgument);
  const HWND parent = parsed ? handleFromValue(*parsed) : nullptr;

  RECT pane{0, 0, kPopupWidth, kPopupHeight};
  // NOTE: nothing would ever end the loop for a parent that is no window;
  // HWND_MESSAGE (-3) would even give a message-only child that no host can
  // destroy. A host gone before its size is read would take the child along.
  if (parent != nullptr && (!::IsWindow(parent) || !::GetClientRect(parent, &pane))) return;

  parent_ = parent;
  windowThread_ = ::GetCurrentThreadId();
  if (Create(pane.right, pane.bottom, parent) == nullptr) return;

  thread_ = ::CreateThread(nullptr, 0, renderThread, this, 0, nullptr);
  RunMessageLoop();
  endRenderThread();
}

HWND Preview::Create(int paneWidth, int paneHeight, HWND parent) {
  RegisterWindowClass({kPreviewClassName, OwnedWindowProc<Preview>, 0, nullptr, false, false});
  // An OpenGL window clips its children and siblings; Microsoft's own
  // OpenGL refuses a pixel format otherwise.
  const DWORD clip = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  const DWORD style = parent != nullptr ? WS_CHILD | WS_VISIBLE | WS_DISABLED | clip : WS_POPUP | WS_VISIBLE | clip;
  const HWND created = ::CreateWindowExA(0, kPreviewClassName, kPreviewWindowName, style, 0, 0, paneWidth, paneHeight,
                                         parent, nullptr, ::GetModuleHandleA(nullptr), this);
  window = created;
  if (created != nullptr && parent == nullptr)
    ::SetWindowPos(created, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
  return created;
}

DWORD WINAPI Preview::renderThread(LPVOID self) {
  Preview& p = *static_cast<Preview*>(self);
  const HWND w = p.window;
  const HWND parent = p.parent_;
  // NOTE: a host destroyed while the child is being created can take the
  // child with it without the window thread ever getting WM_DESTROY (seen
  // under Wine); a vanished host therefore ends the preview too.
  const auto previewAlive = [&] { return p.windowInUse(w) && (parent == nullptr || ::IsWindow(parent)); };
  const auto endUnnoticed = [&p] {
    if (!p.ended_) ::PostThreadMessageA(p.windowThread_, WM_QUIT, 0, 0);
  };
  if (!previewAlive()) {
    endUnnoticed();
    return 0;
  }

  RECT rect{};
  ::GetWindowRect(w, &rect);
  p.width = rect.right - rect.left;
  p.height = rect.bottom - rect.top;
  ::ShowWindow(w, SW_SHOW);
  ::UpdateWindow(w);
  p.settingsFixed = true;

  while (previewAlive()) {
    ::InvalidateRect(w, nullptr, FALSE);
    ::Sleep(kRenderTickMs);
    if (p.stopRequested) {
      // Only a notification: the window itself stays until the process ends.
      if (p.windowInUse(w)) ::PostMessageA(w, WM_DESTROY, 0, 0);
      return 0;
    }
  }
  endUnnoticed();
  return 0;
}

LRESULT Preview::handle(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      // Whether the host destroys the window or the render thread posted
      // this, the thread has finished before the window can go away.
      endRenderThread();
      ::PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      paintFrame();
      return 0;
    case WM_NCCREATE:
      return 1;
    case WM_KEYDOWN:
      stopRequested = VerifySaverPassword(w);
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return 0;
    default:
      return ::DefWindowProcA(w, message, wParam, lParam);
  }
}

void Preview::paintFrame() {
  const HWND w = window;
  // A paint while the error box is showing, after it, or after the window
  // was done with draws nothing.
  if (surfaceFailed_ || painting_ || ended_) {
    ::ValidateRect(w, nullptr);
    return;
  }
  painting_ = true;
  HDC dc = nullptr;
  HGLRC rc = nullptr;
  const char* failure = SetupSurface(w, SurfaceVariant::Preview, dc, rc, width, height);
  if (failure == nullptr) {
    // Seeding touches no OpenGL state, so it may come before the frame's clear.
    if (!field_) {
      field_ = std::make_unique<FlakeField>();
      StartField(*field_, kPreviewFirstSwayStep);
    }
    DrawSurfaceFrame(dc, *field_, settingsFixed ? kPreviewSettings : Settings{});
  }
  ReleaseSurface(w, dc, rc);
  if (failure != nullptr) {
    surfaceFailed_ = true;
    if (parent_ == nullptr) ShowErrorBox(failure, "Error");
    ::PostQuitMessage(0);
  }
  ::ValidateRect(w, nullptr);
  painting_ = false;
}

void RunPreview(std::string_view parentArgument) {
  Preview preview;
  preview.Run(parentArgument);
}
