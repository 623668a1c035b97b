// What the saver, the settings dialog and the preview share about their
// windows: the class registration, the procedure that hands each message to
// the object owning the window, the message loop and the error box.
#pragma once

#include <windows.h>

#include <string>

// Registers a class of this program once per process (a second call does
// nothing): the program icon, the arrow cursor unless told otherwise.
struct WindowClass {
  const char* name;
  WNDPROC procedure;
  UINT style = 0;
  HBRUSH background = nullptr;
  bool arrowCursor = true;
  bool programIcon = true;
};
void RegisterWindowClass(const WindowClass& windowClass);

// The window procedure of an Owner whose windows are created with the owner
// as CreateWindowExA's last parameter: every message from WM_NCCREATE up to
// WM_NCDESTROY goes to owner->handle(window, message, wParam, lParam);
// messages before WM_NCCREATE get the default processing.
template <class Owner>
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Owner*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (owner == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return owner->handle(window, message, wParam, lParam);
}

// Dispatches messages until the quit message; dialog (may be null) gets its
// keys through IsDialogMessage.
void RunMessageLoop(HWND dialog = nullptr);

// A failure shown to the user. Without an owner the box is topmost and
// comes to the front, above the topmost saver windows.
void ShowErrorBox(const std::string& text, const char* caption = "Flindra", HWND owner = nullptr);
