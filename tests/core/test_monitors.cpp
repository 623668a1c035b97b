#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "core/monitors.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// A monitor of the given size at (x, y).
MonitorInfo at(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, bool primary = false) {
  return {x, y, x + w, y + h, primary};
}

struct Window {
  std::int32_t left, top, width, height;
  bool primary;
  bool operator==(const Window& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height && primary == o.primary;
  }
};

std::ostream& operator<<(std::ostream& os, const Window& w) {
  return os << (w.primary ? "primary " : "") << w.width << 'x' << w.height << '@' << w.left << ',' << w.top;
}

std::vector<Window> windows(const std::vector<MonitorInfo>& monitors) {
  std::vector<Window> out;
  for (const SaverWindowPlan& p : SaverWindowsForMonitors(monitors))
    out.push_back({p.rect.left, p.rect.top, p.rect.width, p.rect.height, p.primary});
  return out;
}

using W = std::vector<Window>;

TEST(MonitorWindows, EachMonitorExactlyItsOwnRectanglePrimaryFirst) {
  EXPECT_EQ(windows({at(0, 0, 1920, 1080, true)}), (W{{0, 0, 1920, 1080, true}}));
  // Side by side, different heights: each window its monitor's height, not
  // the bounding box of both.
  EXPECT_EQ(windows({at(0, 0, 1920, 1080, true), at(1920, 0, 1280, 1024)}),
            (W{{0, 0, 1920, 1080, true}, {1920, 0, 1280, 1024, false}}));
  // Left of and above the primary: negative origins kept as they are; the
  // primary moves to the front, the others keep their order.
  EXPECT_EQ(windows({at(-1280, 0, 1280, 1024), at(0, -768, 1024, 768), at(0, 0, 1920, 1080, true)}),
            (W{{0, 0, 1920, 1080, true}, {-1280, 0, 1280, 1024, false}, {0, -768, 1024, 768, false}}));
}

TEST(MonitorWindows, MirroredMonitorsShareOneWindow) {
  EXPECT_EQ(windows({at(0, 0, 1920, 1080, true), at(0, 0, 1920, 1080)}), (W{{0, 0, 1920, 1080, true}}));
  EXPECT_EQ(windows({at(1920, 0, 800, 600), at(0, 0, 1920, 1080), at(1920, 0, 800, 600, true)}),
            (W{{1920, 0, 800, 600, true}, {0, 0, 1920, 1080, false}}));
  // Same origin, other size: both covered, two windows.
  EXPECT_EQ(windows({at(0, 0, 1920, 1080, true), at(0, 0, 1280, 1024)}).size(), 2u);
}

TEST(MonitorWindows, MonitorsWithoutAreaGetNoWindow) {
  EXPECT_EQ(windows({}), W{});
  const MonitorInfo zeroWide{1920, 0, 1920, 1080, false}, upsideDown{0, 1080, 1920, 0, false};
  EXPECT_EQ(windows({zeroWide, upsideDown}), W{});
  EXPECT_EQ(windows({zeroWide, at(0, 0, 1920, 1080, true), upsideDown}), (W{{0, 0, 1920, 1080, true}}));
}

TEST(MonitorWindows, PrimaryChosenWhenNoneOrSeveralAreFlagged) {
  // The one containing (0, 0); a monitor ending at x = 0 does not.
  EXPECT_EQ(windows({at(-1280, 0, 1280, 1024), at(0, 0, 1920, 1080)}),
            (W{{0, 0, 1920, 1080, true}, {-1280, 0, 1280, 1024, false}}));
  EXPECT_EQ(windows({at(0, -1024, 1280, 1024), at(-5, -5, 10, 10)}),
            (W{{-5, -5, 10, 10, true}, {0, -1024, 1280, 1024, false}}));
  // None contains it: the first.
  EXPECT_EQ(windows({at(100, 100, 800, 600), at(900, 100, 800, 600)}),
            (W{{100, 100, 800, 600, true}, {900, 100, 800, 600, false}}));
  // A flagged primary without area does not count.
  EXPECT_EQ(windows({at(1920, 0, 800, 600), {0, 0, 0, 1080, true}, at(0, 0, 1920, 1080)}),
            (W{{0, 0, 1920, 1080, true}, {1920, 0, 800, 600, false}}));
  // Two flagged: the first one.
  EXPECT_EQ(windows({at(1920, 0, 800, 600, true), at(0, 0, 1920, 1080, true)}),
            (W{{1920, 0, 800, 600, true}, {0, 0, 1920, 1080, false}}));
}

TEST(MonitorWindows, ExtremeEdgesNeverOverflow) {
  // Sizes up to the int32 maximum are kept, larger ones dropped; the native
  // build runs this under UBSan, so an overflowing subtraction would stop it.
  EXPECT_EQ(windows({{kMin, kMin, -1, -1, false}}), (W{{kMin, kMin, kMax, kMax, true}}));
  EXPECT_EQ(windows({{0, 0, kMax, kMax, false}}), (W{{0, 0, kMax, kMax, true}}));
  EXPECT_EQ(windows({{kMin, kMin, kMax, kMax, true}, {kMax, kMax, kMin, kMin, true}}), W{});
  EXPECT_EQ(windows({{kMin, 0, 0, 1, false}}), W{});
  EXPECT_EQ(windows({{kMax - 1, kMax - 1, kMax, kMax, false}}), (W{{kMax - 1, kMax - 1, 1, 1, true}}));
}

// Random lists, edges drawn from a few small values and the int32 extremes:
// the rules above hold for every list, mirrors included.
TEST(MonitorWindows, RandomListsKeepEveryRule) {
  std::mt19937 random(20240607u);
  const std::int32_t edges[] = {kMin, kMin + 1, -1280, -1, 0, 1, 1280, 1920, kMax - 1, kMax};
  std::uniform_int_distribution<std::size_t> edge(0, std::size(edges) - 1), count(0, 6);
  for (int round = 0; round < 5000; ++round) {
    std::vector<MonitorInfo> monitors(count(random));
    for (std::size_t i = 0; i < monitors.size(); ++i) {
      monitors[i] = {edges[edge(random)], edges[edge(random)], edges[edge(random)], edges[edge(random)], false};
      if (i > 0 && random() % 4 == 0) monitors[i] = monitors[random() % i];  // a mirror
      monitors[i].primary = random() % 4 == 0;
    }
    const auto plans = SaverWindowsForMonitors(monitors);
    std::size_t usable = 0;
    const MonitorInfo* flagged = nullptr;
    for (const MonitorInfo& m : monitors) {
      const std::int64_t w = std::int64_t{m.right} - m.left, h = std::int64_t{m.bottom} - m.top;
      if (w <= 0 || h <= 0 || w > kMax || h > kMax) continue;
      ++usable;
      if (m.primary && flagged == nullptr) flagged = &m;
      // Every usable monitor has exactly one window, exactly its rectangle.
      int covering = 0;
      for (const auto& p : plans)
        if (p.rect.left == m.left && p.rect.top == m.top && p.rect.left + std::int64_t{p.rect.width} == m.right &&
            p.rect.top + std::int64_t{p.rect.height} == m.bottom)
          ++covering;
      ASSERT_EQ(covering, 1) << "round " << round;
    }
    if (flagged != nullptr) {
      ASSERT_EQ(plans[0].rect.left, flagged->left);
      ASSERT_EQ(plans[0].rect.top, flagged->top);
    }
    ASSERT_LE(plans.size(), usable);
    ASSERT_EQ(plans.empty(), usable == 0);
    for (std::size_t i = 0; i < plans.size(); ++i) {
      ASSERT_GT(plans[i].rect.width, 0);
      ASSERT_GT(plans[i].rect.height, 0);
      ASSERT_EQ(plans[i].primary, i == 0) << "round " << round;
    }
  }
}

}  // namespace

namespace {

TEST(MonitorWindows, AChangedLayoutKeepsThePrimaryAndEveryUnchangedMonitor) {
  const ScreenRect primary{0, 0, 1920, 1080}, right{1920, 0, 1280, 1024}, left{-1280, 0, 1280, 1024},
      above{0, -1024, 1280, 1024};
  const struct {
    const char* what;
    std::vector<ScreenRect> current, next;
    std::vector<int> kept;
  } rows[] = {
      {"unchanged", {primary, right}, {primary, right}, {0, 1}},
      {"second off", {primary, right}, {primary}, {0}},
      {"second on", {primary}, {primary, right}, {0, -1}},
      {"second moved", {primary, right}, {primary, left}, {0, -1}},
      {"order changed", {primary, right, left}, {primary, left, above, right}, {0, 2, -1, 1}},
      {"primary resized", {primary, right}, {{0, 0, 1280, 720}, right}, {0, 1}},
      {"nothing before", {}, {primary}, {-1}},
      {"nothing after", {primary, right}, {}, {}},
  };
  for (const auto& row : rows) EXPECT_EQ(WindowsKeptForLayout(row.current, row.next), row.kept) << row.what;
}

}  // namespace
