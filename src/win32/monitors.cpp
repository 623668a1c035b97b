#include "win32/monitors.h"

#include "core/monitors.h"

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

std::vector<RECT> SaverWindowRects() {
  std::vector<MonitorInfo> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
  std::vector<RECT> rects;
  for (const SaverWindowPlan& plan : SaverWindowsForMonitors(monitors)) {
    const ScreenRect& r = plan.rect;
    rects.push_back(RECT{r.left, r.top, r.left + r.width, r.top + r.height});
  }
  // No monitor to be had: the primary screen, as the system measures it.
  if (rects.empty()) rects.push_back(RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
  return rects;
}
