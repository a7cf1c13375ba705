// A stand-in for gui::ShowMessageBox in in-process tests: every box the code under
// test raises is recorded instead of shown, and answered with IDOK at once, so no
// test waits on a modal loop.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui::testing {

struct RecordedMessageBox {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
};

// Every box since the last ClearRecordedMessageBoxes, in the order they were raised.
const std::vector<RecordedMessageBox>& RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

}  // namespace gui::testing
