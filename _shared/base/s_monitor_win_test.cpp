// Under Wine's virtual display: a form of the wizard's size placed by the routine.
#include "s_monitor_win.h"

#include <gtest/gtest.h>

namespace {

RECT PrimaryWorkArea() {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  EXPECT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info));
  return info.rcWork;
}

TEST(CenterOnPrimaryMonitor, PlacesTheFormInTheMiddleOfTheWorkArea) {
  const RECT area = PrimaryWorkArea();
  const POINT place = CenterOnPrimaryMonitor(363, 403);
  EXPECT_EQ(place.x, ((area.right - area.left) - 363) / 2);
  EXPECT_EQ(place.y, ((area.bottom - area.top) - 403) / 2);

  HWND form = CreateWindowExA(0, "STATIC", "form", WS_POPUP, place.x, place.y, 363, 403, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(form, nullptr);
  RECT placed{};
  GetWindowRect(form, &placed);
  DestroyWindow(form);
  EXPECT_EQ(placed.left, place.x);
  EXPECT_EQ(placed.top, place.y);
  EXPECT_EQ(placed.right - placed.left, 363);
}

TEST(CenterOnPrimaryMonitor, OnTheTestDisplayOf1024By768) {
  const RECT area = PrimaryWorkArea();
  if (area.right - area.left != 1024 || area.bottom - area.top != 768) {
    GTEST_SKIP() << "work area is not the full 1024x768 test display";
  }
  const POINT place = CenterOnPrimaryMonitor(363, 403);
  EXPECT_EQ(place.x, 330);
  EXPECT_EQ(place.y, 182);
}

TEST(CenterOnPrimaryMonitor, FormLargerThanTheScreenTruncatesTowardZero) {
  const RECT area = PrimaryWorkArea();
  const int width = (area.right - area.left) + 1;
  EXPECT_EQ(CenterOnPrimaryMonitor(width, 0).x, 0);
}

}  // namespace
