// The arithmetic is the native test's; here: the primary monitor's work area (not the
// whole screen, not another monitor) is what gets halved.
#include "s_monitor.h"
#include "s_monitor_win.h"

#include <gtest/gtest.h>

TEST(CenterOnPrimaryMonitor, CentresInThePrimaryWorkArea) {
  MONITORINFO info{sizeof info, {}, {}, 0};
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
  const POINT place = CenterOnPrimaryMonitor(363, 403);
  EXPECT_EQ(place.x, CenteredStart(info.rcWork.right - info.rcWork.left, 363));
  EXPECT_EQ(place.y, CenteredStart(info.rcWork.bottom - info.rcWork.top, 403));
}
