// The arithmetic is the native test's; this one checks that the primary monitor's
// work area (not the whole screen, not another monitor) is what gets halved.
#include "s_monitor.h"
#include "s_monitor_win.h"

#include <gtest/gtest.h>

namespace {

TEST(CenterOnPrimaryMonitor, CentresInThePrimaryWorkArea) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
  const RECT& area = info.rcWork;
  const POINT place = CenterOnPrimaryMonitor(363, 403);
  EXPECT_EQ(place.x, CenteredStart(area.right - area.left, 363));
  EXPECT_EQ(place.y, CenteredStart(area.bottom - area.top, 403));
}

}  // namespace
