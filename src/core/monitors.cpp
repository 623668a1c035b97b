#include "core/monitors.h"

#include <algorithm>
#include <limits>

namespace {

// The edge difference in 64 bits, so no pair of int32 edges can overflow;
// 0 when the monitor has no size or more than an int32 can hold.
std::int32_t extent(std::int32_t from, std::int32_t to) {
  const std::int64_t size = std::int64_t{to} - from;
  if (size <= 0 || size > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(size);
}

bool containsOrigin(const ScreenRect& r) {
  return r.left <= 0 && std::int64_t{r.left} + r.width > 0 && r.top <= 0 && std::int64_t{r.top} + r.height > 0;
}

}  // namespace

std::vector<SaverWindowPlan> SaverWindowsForMonitors(const std::vector<MonitorInfo>& monitors) {
  std::vector<SaverWindowPlan> plans;
  for (const MonitorInfo& m : monitors) {
    const ScreenRect rect{m.left, m.top, extent(m.left, m.right), extent(m.top, m.bottom)};
    if (rect.width == 0 || rect.height == 0) continue;
    const auto twin = std::find_if(plans.begin(), plans.end(),
                                   [&](const SaverWindowPlan& p) { return p.rect == rect; });
    if (twin == plans.end()) {
      plans.push_back({rect, m.primary});
    } else {
      twin->primary = twin->primary || m.primary;
    }
  }
  if (plans.empty()) return plans;

  auto primary = std::find_if(plans.begin(), plans.end(), [](const SaverWindowPlan& p) { return p.primary; });
  if (primary == plans.end()) {
    primary = std::find_if(plans.begin(), plans.end(), [](const SaverWindowPlan& p) { return containsOrigin(p.rect); });
  }
  if (primary == plans.end()) primary = plans.begin();
  for (SaverWindowPlan& p : plans) p.primary = false;
  primary->primary = true;
  // Moves the primary to the front; the others keep their order.
  std::rotate(plans.begin(), primary, primary + 1);
  return plans;
}

std::vector<int> WindowsKeptForLayout(const std::vector<ScreenRect>& current, const std::vector<ScreenRect>& next) {
  std::vector<int> kept(next.size(), -1);
  if (next.empty() || current.empty()) return kept;
  kept[0] = 0;
  for (std::size_t n = 1; n < next.size(); ++n)
    for (std::size_t c = 1; c < current.size(); ++c)
      if (current[c] == next[n]) kept[n] = static_cast<int>(c);
  return kept;
}
