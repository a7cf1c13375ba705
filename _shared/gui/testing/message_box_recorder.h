// Links in place of gui::ShowMessageBox in in-process tests: each box is recorded, in
// order, and answered IDOK at once, so no test waits on a modal loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui::testing {

struct RecordedMessageBox {
  HWND owner = nullptr;
  std::string text, caption;
  UINT type = 0;
};

const std::vector<RecordedMessageBox>& RecordedMessageBoxes();  // since the last Clear
void ClearRecordedMessageBoxes();

}  // namespace gui::testing
