#include "win32/preview.h"

#include <cstdint>
#include <memory>

#include "core/cmdline.h"
#include "win32/password.h"
#include "win32/wgl_surface.h"

std::atomic<HWND> PreviewHandle{nullptr};
std::atomic<std::int32_t> PreviewWidth{0};
std::atomic<std::int32_t> PreviewHeight{0};
std::atomic<bool> StopRequested{false};
std::atomic<bool> PreviewEnded{false};
std::atomic<HWND> PreviewParent{nullptr};
std::atomic<DWORD> PreviewWindowThread{0};
std::atomic<bool> PreviewSettingsFixed{false};

HDC PreviewDC = nullptr;
HGLRC PreviewRC = nullptr;
FlakeField* PreviewField = nullptr;

namespace {

// Window thread only.
std::unique_ptr<FlakeField> field;  // made by the first paint
HANDLE renderThread = nullptr;
bool surfaceFailed = false;  // a pixel format failed; it has been reported
bool painting = false;       // inside PaintPreviewFrame (the error box pumps messages)

constexpr DWORD kRenderThreadEndMs = 2000;  // bound on waiting for the thread's last tick

HWND handleFromValue(std::int32_t value) {
  // Window handles are 32-bit values, sign-extended in a 64-bit process.
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
}

// The render thread may use the window only while the window thread has not
// finished with it and the handle still names a window.
bool windowInUse(HWND window) { return !PreviewEnded && ::IsWindow(window); }

// Marks the window as done with and waits for the render thread's end, at
// most one tick away. Sent messages are handled meanwhile: the thread may be
// inside ShowWindow or UpdateWindow, which wait for this thread.
void endRenderThread() {
  PreviewEnded = true;
  if (renderThread == nullptr) return;
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD waited = ::GetTickCount() - start;
    if (waited >= kRenderThreadEndMs) break;
    const DWORD status =
        ::MsgWaitForMultipleObjects(1, &renderThread, FALSE, kRenderThreadEndMs - waited, QS_SENDMESSAGE);
    if (status != WAIT_OBJECT_0 + 1) break;
    MSG message;
    ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  ::CloseHandle(renderThread);
  renderThread = nullptr;
}

}  // namespace

void RunPreview() {
  const auto args = SplitCommandLine(::GetCommandLineA());
  RunPreview(args.size() > 2 ? std::string_view(args[2]) : std::string_view());
}

void RunPreview(std::string_view parentArgument) {
  const auto parsed = ParsePreviewParent(parentArgument);
  const HWND parent = parsed ? handleFromValue(*parsed) : nullptr;

  int width = kPopupWidth;
  int height = kPopupHeight;
  if (parent != nullptr) {
    // NOTE: nothing would ever end the loop for a parent that is no window;
    // HWND_MESSAGE (-3) would even give a message-only child that no host
    // can destroy.
    if (!::IsWindow(parent)) return;
    RECT rect{};
    ::GetWindowRect(parent, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
  }

  StopRequested = false;
  PreviewEnded = false;
  PreviewSettingsFixed = false;
  surfaceFailed = false;
  field.reset();
  PreviewField = nullptr;
  PreviewParent = parent;
  PreviewWindowThread = ::GetCurrentThreadId();
  if (CreatePreviewWindow(width, height, parent) == nullptr) return;

  renderThread = ::CreateThread(nullptr, 0, PreviewRenderThread, nullptr, 0, nullptr);

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  endRenderThread();
}

HWND CreatePreviewWindow(int width, int height, HWND parent) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.style = CS_PARENTDC;
  windowClass.lpfnWndProc = PreviewWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kPreviewClassName;
  ::RegisterClassA(&windowClass);  // fails harmlessly when already registered

  const DWORD style = parent != nullptr ? WS_CHILD | WS_VISIBLE | WS_DISABLED : WS_POPUP | WS_VISIBLE;
  const HWND window = ::CreateWindowExA(0, kPreviewClassName, kPreviewWindowName, style, 0, 0, width, height,
                                        parent, nullptr, instance, nullptr);
  PreviewHandle = window;
  if (window != nullptr && parent == nullptr)
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
  return window;
}

DWORD WINAPI PreviewRenderThread(LPVOID) {
  const HWND window = PreviewHandle;
  const HWND parent = PreviewParent;
  // NOTE: a host destroyed while the child is being created can take the
  // child with it without the window thread ever getting WM_DESTROY (seen
  // under Wine); a vanished host therefore ends the preview too.
  const auto previewAlive = [&] { return windowInUse(window) && (parent == nullptr || ::IsWindow(parent)); };
  const auto endUnnoticed = [] {
    if (!PreviewEnded) ::PostThreadMessageA(PreviewWindowThread, WM_QUIT, 0, 0);
  };
  if (!previewAlive()) {
    endUnnoticed();
    return 0;
  }

  RECT rect{};
  ::GetWindowRect(window, &rect);
  PreviewWidth = rect.right - rect.left;
  PreviewHeight = rect.bottom - rect.top;
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  PreviewSettingsFixed = true;

  while (previewAlive()) {
    ::InvalidateRect(window, nullptr, FALSE);
    ::Sleep(kRenderTickMs);
    if (StopRequested) {
      // Only a notification: the window itself stays until the process ends.
      if (windowInUse(window)) ::PostMessageA(window, WM_DESTROY, 0, 0);
      return 0;
    }
  }
  endUnnoticed();
  return 0;
}

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      // Whether the host destroys the window or the render thread posted
      // this, the thread has finished before the window can go away.
      endRenderThread();
      ::PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      PaintPreviewFrame();
      return 0;
    case WM_NCCREATE:
      return 1;
    case WM_KEYDOWN:
      StopRequested = VerifySaverPassword(window);
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

void PaintPreviewFrame() {
  const HWND window = PreviewHandle;
  // A paint while the pixel-format error is showing, after it, or after the
  // window was done with draws nothing.
  if (surfaceFailed || painting || PreviewEnded) {
    ::ValidateRect(window, nullptr);
    return;
  }
  painting = true;
  const int width = PreviewWidth;
  const int height = PreviewHeight;
  if (SetupSurface(window, SurfaceVariant::Preview, PreviewDC, PreviewRC, width, height, width, height)) {
    // Seeding touches no OpenGL state, so it may come before the frame's clear.
    if (!field) {
      field = std::make_unique<FlakeField>();
      SeedFlakeTable(*field);
      field->SwayStep = 0.5;
      PreviewField = field.get();
    }
    DrawSurfaceFrame(PreviewDC, *field, PreviewSettingsFixed ? kPreviewSettings : Settings{});
  } else {
    surfaceFailed = true;
    ::PostQuitMessage(0);
  }
  ReleaseSurface(window, PreviewDC, PreviewRC);
  ::ValidateRect(window, nullptr);
  painting = false;
}
