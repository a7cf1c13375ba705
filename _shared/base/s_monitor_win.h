// CenterOnPrimaryMonitor: where every form places itself when it is created.
#pragma once

#include <windows.h>

// Left and top for a form of the given size, centred on the primary monitor's work
// area and measured from the screen origin (the work area's own left and top are not
// added); (0, 0) when no monitor is primary or its information cannot be read.
POINT CenterOnPrimaryMonitor(int width, int height);
