// Every message box of the program goes through here. In-process tests link a
// recording stand-in instead of message_box_win.cpp, so no box has to be answered.
#pragma once

#include <windows.h>

namespace gui {

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The owner for boxes that belong to the window with the keyboard focus.
inline HWND FocusOwner() {
  return GetFocus();
}

}  // namespace gui
