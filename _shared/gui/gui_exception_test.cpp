// An exception thrown by a handler must end in the application's standard report,
// wherever the control sits, and never unwind through Windows' own frames.
#include <gtest/gtest.h>
#include <windows.h>

#include "application.h"
#include "controls.h"
#include "form.h"
#include "gui_exception.h"
#include "testing/message_box_recorder.h"

namespace gui {
namespace {

class NestedForm : public Form {
 public:
  Panel pages;
  Panel page;
  Button nested;
  Button direct;

 protected:
  void CreateControls() override {
    pages.Create({"pages", 10, this, 0, 0, 200, 150, font()});
    page.Create({"page", 11, &pages, 4, 4, 192, 142, font()});
    nested.Create({"nested", 12, &page, 0, 20, 80, 25, font(), Align::Left, 0});
    direct.Create({"direct", 13, this, 0, 160, 80, 25, font(), Align::Left, 1});
    nested.onClick = [] { throw ERangeError(); };
    direct.onClick = [] { throw Exception("Drive X: is not ready."); };
  }
};

TEST(HandlerException, EndsInTheStandardReportWithTheTitleAndOneFullStop) {
  Application::Instance().SetTitle("Setup");
  NestedForm form;
  form.CreateForm({"NestedForm", "x", 300, 200, WS_OVERLAPPED | WS_CAPTION, {}}, nullptr);
  form.ShowForm();
  SetActiveWindow(form.hwnd());
  testing::ClearRecordedMessageBoxes();

  SendMessageA(form.nested.hwnd(), BM_CLICK, 0, 0);  // two containers deep
  SendMessageA(form.direct.hwnd(), BM_CLICK, 0, 0);  // message already ends in a full stop

  const auto& boxes = testing::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Range check error.");
  EXPECT_EQ(boxes[0].caption, "Setup");
  EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(boxes[0].owner, form.hwnd());  // modal to the form, so no second box stacks up
  EXPECT_EQ(boxes[1].text, "Drive X: is not ready.");
  EXPECT_TRUE(IsWindow(form.hwnd()));  // the form lives on
}

TEST(FormCreation, AWindowWindowsRefusesRaisesTheLibrarysException) {
  NestedForm form;  // a child window without a parent cannot be made
  EXPECT_THROW(form.CreateForm({"Orphan", "x", 300, 200, WS_CHILD, {}}, nullptr), Exception);
  EXPECT_EQ(form.hwnd(), nullptr);
}

}  // namespace
}  // namespace gui
