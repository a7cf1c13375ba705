// Dots per inch: the forms are designed in pixels at 96 and laid out at the DPI of
// the monitor their window is on.
#pragma once

#include <windows.h>

namespace gui {

constexpr int kDesignDpi = 96;

// Not in the headers for the oldest Windows the programs run on.
constexpr UINT kWmGetDpiScaledSize = 0x02E4;

// A design length in pixels at `dpi`, rounded to the nearest pixel; 96 leaves it as it is.
inline int ScaleToDpi(int designPixels, int dpi) {
  return MulDiv(designPixels, dpi, kDesignDpi);
}

// The DPI Windows lays `window` out at: its monitor's where Windows knows
// GetDpiForWindow (10, 1607 on), otherwise the system's, which Windows before that
// gives every window of a program that declares itself aware.
int WindowDpi(HWND window);
// GetSystemMetrics at `dpi`; the system's own figure where Windows cannot say.
int SystemMetricForDpi(int index, int dpi);
// The outer rectangle of a window whose client area is `client`, its frame at `dpi`.
RECT OuterRectForDpi(RECT client, DWORD style, DWORD exStyle, int dpi);

}  // namespace gui
