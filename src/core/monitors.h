// Monitor geometry: which saver windows cover which monitors. Coordinates are
// pixels in the virtual screen, whose origin is the primary monitor's top-left
// corner (monitors left of or above it have negative coordinates).
#pragma once

#include <cstdint>
#include <vector>

// A monitor as the system reports it: right and bottom edges exclusive, as in
// a Win32 RECT.
struct MonitorInfo {
  std::int32_t left, top, right, bottom;
  bool primary;
};

// Where a window goes: its top-left corner and its size, both sizes > 0.
// left + width and top + height always fit in std::int32_t.
struct ScreenRect {
  std::int32_t left, top, width, height;
};
inline bool operator==(const ScreenRect& a, const ScreenRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// One saver window: exactly its monitor's rectangle; its viewport is
// rect.width x rect.height.
struct SaverWindowPlan {
  ScreenRect rect;
  bool primary;
};

// One window per distinct monitor rectangle, the primary's first, the others
// in the order given.
// - Monitors with the same rectangle (mirrored) share one window, primary if
//   any of them is.
// - A monitor of zero or negative width or height, or one wider or taller than
//   std::int32_t holds, gets none.
// - Without a usable monitor flagged primary, the primary is the first one
//   containing (0, 0), else the first usable one; of several flagged, the
//   first.
// - No usable monitor: no windows (the caller falls back to the primary
//   screen's metrics).
std::vector<SaverWindowPlan> SaverWindowsForMonitors(const std::vector<MonitorInfo>& monitors);

// Following a changed monitor list without starting over: for each window
// of the next plan, in its order, the index of the current window that goes
// on covering it, or -1 for a new window with a fresh field. The primary's
// window (index 0 in both) always stays, moved to the new primary rectangle
// if that changed; any other current window stays where its rectangle is in
// the next plan. Current windows that no index names go.
std::vector<int> WindowsKeptForLayout(const std::vector<ScreenRect>& current, const std::vector<ScreenRect>& next);
