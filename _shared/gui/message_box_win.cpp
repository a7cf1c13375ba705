#include "message_box.h"

namespace gui {

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type);
}

}  // namespace gui
