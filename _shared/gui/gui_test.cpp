#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>

#include "application.h"
#include "controls.h"
#include "form.h"
#include "gui_exception.h"
#include "message_box_recorder.h"

namespace gui {
namespace {

class TestForm : public Form {
 public:
  Panel pages, page;
  Label label;
  Button button, direct;
  CheckBox check;
  ProgressBar bar;
  int clicks = 0, checkClicks = 0, destroyed = 0;

 protected:
  void FormDestroy() override { ++destroyed; }
  void CreateControls() override {
    pages.Create({"pages", 10, this, 20, 30, 200, 150, font()});
    page.Create({"page", 11, &pages, 4, 4, 192, 142, font()});
    label.Create({"label", 12, &page, 0, 0, 100, 13, font(), Align::Center});
    button.Create({"OkButton", 13, &page, 0, 20, 80, 25, font(), Align::Left, 0});
    check.Create({"check", 14, &page, 0, 50, 80, 17, font(), Align::Left, 1});
    bar.Create({"bar", 15, this, 0, 0, 100, 16, font()});
    direct.Create({"direct", 16, this, 0, 200, 80, 25, font(), Align::Left, 2});
    button.onClick = [this] { ++clicks; };
    check.onClick = [this] { ++checkClicks; };
  }
};

constexpr FormDesign kDesign{"TestForm", "Caption:", 363, 403, WS_CAPTION | WS_SYSMENU, {}};

TEST(Form, HasTheDesignedSizeNestedControlsAndRoutesTheirClicksAndExceptions) {
  TestForm form;
  form.CreateForm(kDesign, nullptr);
  RECT client{};
  GetClientRect(form.hwnd(), &client);
  EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(363L, 403L));
  EXPECT_EQ(form.Text(), "Caption:");
  EXPECT_EQ(GetParent(form.label.hwnd()), form.page.hwnd());
  EXPECT_EQ(GetDlgCtrlID(form.button.hwnd()), 13);
  EXPECT_EQ(Window::FromHandle(form.check.hwnd()), &form.check);
  form.bar.SetMax(16'651'315);  // far above 65535
  form.bar.SetPosition(16'000'000);
  EXPECT_EQ(form.bar.Position(), 16'000'000u);
  EXPECT_EQ(SendMessageA(form.bar.hwnd(), PBM_GETRANGE, FALSE, 0), 16'651'315);
  SendMessageA(form.button.hwnd(), BM_CLICK, 0, 0);  // two containers deep
  SendMessageA(form.check.hwnd(), BM_CLICK, 0, 0);
  EXPECT_TRUE(form.check.Checked());
  form.check.SetChecked(false);  // a change from code raises the click as well
  form.check.SetChecked(false);  // no change, no click
  form.button.SetEnabled(false);
  form.button.Click();
  EXPECT_EQ(std::make_pair(form.clicks, form.checkClicks), std::make_pair(1, 2));
  // A handler's exception ends in the standard report, never unwinding through Windows.
  Application::Instance().SetTitle("Setup");
  testing::ClearRecordedMessageBoxes();
  form.button.SetEnabled(true);
  form.button.onClick = [] { throw ERangeError(); };
  form.direct.onClick = [] { throw Exception("Drive X: is not ready."); };
  SendMessageA(form.button.hwnd(), BM_CLICK, 0, 0);
  SendMessageA(form.direct.hwnd(), BM_CLICK, 0, 0);  // already ends in a full stop
  const auto& boxes = testing::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Range check error.");
  EXPECT_EQ(boxes[0].caption, "Setup");
  EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(boxes[0].owner, form.hwnd());  // modal to the form, so no second box stacks up
  EXPECT_EQ(boxes[1].text, "Drive X: is not ready.");
  TestForm orphan;  // a child window without a parent cannot be made
  EXPECT_THROW(orphan.CreateForm({"Orphan", "x", 300, 200, WS_CHILD, {}}, nullptr), Exception);
  EXPECT_EQ(orphan.hwnd(), nullptr);
  HWND label = form.label.hwnd();
  form.Destroy();  // the objects forget handles Windows destroyed with their parent
  EXPECT_EQ(form.destroyed, 1);
  EXPECT_FALSE(IsWindow(label));
  EXPECT_EQ(form.label.hwnd(), nullptr);
}

// Its window (the task-bar entry, which the install journey checks) owns the forms.
TEST(Application, ATerminatedOneNeverShowsTheMainFormAndDestroyFormsEndsAll) {
  Application& application = Application::Instance();
  TestForm form;
  application.CreateForm(form, kDesign);
  HWND owner = GetWindow(form.hwnd(), GW_OWNER);
  ASSERT_TRUE(IsWindow(owner));
  RECT frame{};
  GetWindowRect(owner, &frame);
  EXPECT_EQ(frame.right - frame.left, 0);
  application.Terminate();
  application.Run();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(application.Terminated());
  application.DestroyForms();
  EXPECT_EQ(form.destroyed, 1);
  EXPECT_FALSE(IsWindow(owner));
}

}  // namespace
}  // namespace gui
