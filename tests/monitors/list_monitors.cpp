// Prints the monitors as this Wine prefix sees them, one line each, in
// virtual-screen coordinates: "WxH+X+Y" and " primary" for the primary.
// scripts/with-monitors waits until the list matches its layout.
#include <windows.h>

#include <cstdio>

namespace {

BOOL CALLBACK printMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoA(monitor, &info) == FALSE) return TRUE;
  const RECT& r = info.rcMonitor;
  std::printf("%ldx%ld%+ld%+ld%s\n", r.right - r.left, r.bottom - r.top, r.left, r.top,
              (info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? " primary" : "");
  return TRUE;
}

}  // namespace

int main() {
  ::EnumDisplayMonitors(nullptr, nullptr, printMonitor, 0);
  return 0;
}
