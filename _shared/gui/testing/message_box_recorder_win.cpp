#include "message_box_recorder.h"

#include "message_box.h"

namespace gui {

static std::vector<testing::RecordedMessageBox> boxes;

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
  return IDOK;
}

const std::vector<testing::RecordedMessageBox>& testing::RecordedMessageBoxes() {
  return boxes;
}
void testing::ClearRecordedMessageBoxes() {
  boxes.clear();
}

}  // namespace gui
