#include "win32/monitors.h"

#include <windows.h>

namespace {

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoA(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorInfo>*>(list)->push_back(
        MonitorInfo{r.left, r.top, r.right, r.bottom, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
  }
  return TRUE;
}

}  // namespace

std::vector<ScreenRect> SaverWindowRects() {
  std::vector<MonitorInfo> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
  std::vector<ScreenRect> rects;
  for (const SaverWindowPlan& plan : SaverWindowsForMonitors(monitors)) rects.push_back(plan.rect);
  // No monitor to be had: the primary screen, as the system measures it.
  if (rects.empty()) rects.push_back(ScreenRect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
  return rects;
}
