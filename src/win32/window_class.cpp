#include "win32/window_class.h"

namespace {

constexpr int kProgramIcon = 1;  // resource id of the program icon

}  // namespace

void RegisterWindowClass(const WindowClass& c) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExA(instance, c.name, &wc)) return;
  wc.style = c.style;
  wc.lpfnWndProc = c.procedure;
  wc.hInstance = instance;
  if (c.programIcon) wc.hIcon = wc.hIconSm = ::LoadIconA(instance, MAKEINTRESOURCEA(kProgramIcon));
  if (c.arrowCursor) wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = c.background;
  wc.lpszClassName = c.name;
  ::RegisterClassExA(&wc);
}

void RunMessageLoop(HWND dialog) {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (dialog != nullptr && ::IsDialogMessageA(dialog, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

void ShowErrorBox(const std::string& text, const char* caption, HWND owner) {
  const UINT placement = owner == nullptr ? MB_TOPMOST | MB_SETFOREGROUND : 0;
  ::MessageBoxA(owner, text.c_str(), caption, MB_OK | MB_ICONERROR | placement);
}
