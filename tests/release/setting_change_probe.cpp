// Plays a program that follows the desktop settings: a hidden top-level
// window that prints "setting-change N AREA" for every WM_SETTINGCHANGE
// broadcast it receives (N the SPI_ code in wParam, 0 when a program sent it;
// AREA the string in lParam, if any), after "ready" once it can receive them.
// Runs until it is ended.
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTINGCHANGE) {
    const auto* area = reinterpret_cast<const char*>(lParam);
    std::printf("setting-change %llu %s\n", static_cast<unsigned long long>(wParam), area ? area : "");
    std::fflush(stdout);
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
  WNDCLASSA probeClass{};
  probeClass.lpfnWndProc = probeProc;
  probeClass.hInstance = ::GetModuleHandleA(nullptr);
  probeClass.lpszClassName = "FlindraSettingChangeProbe";
  ::RegisterClassA(&probeClass);
  // Broadcasts reach unowned top-level windows, hidden ones too (not
  // message-only windows).
  if (!::CreateWindowExA(0, probeClass.lpszClassName, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                         probeClass.hInstance, nullptr))
    return 2;
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
