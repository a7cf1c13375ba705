#include "message_box_recorder.h"

#include "message_box.h"

namespace gui {
namespace {

std::vector<testing::RecordedMessageBox>& Boxes() {
  static std::vector<testing::RecordedMessageBox> boxes;
  return boxes;
}

}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  Boxes().push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
  return IDOK;
}

namespace testing {

const std::vector<RecordedMessageBox>& RecordedMessageBoxes() {
  return Boxes();
}

void ClearRecordedMessageBoxes() {
  Boxes().clear();
}

}  // namespace testing
}  // namespace gui
