#include "s_monitor_win.h"

#include "s_monitor.h"

namespace {

struct PrimarySearch {
  RECT workArea{};
  bool found = false;
};

BOOL CALLBACK StopAtPrimary(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* search = reinterpret_cast<PrimarySearch*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  // A monitor whose information cannot be read cannot be known as the primary one.
  if (!GetMonitorInfoA(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY) == 0) return TRUE;
  search->workArea = info.rcWork;
  search->found = true;
  return FALSE;
}

}  // namespace

POINT CenterOnPrimaryMonitor(int width, int height) {
  PrimarySearch search;
  EnumDisplayMonitors(nullptr, nullptr, StopAtPrimary, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return {0, 0};
  const RECT& area = search.workArea;
  return {CenteredStart(area.right - area.left, width),
          CenteredStart(area.bottom - area.top, height)};
}
