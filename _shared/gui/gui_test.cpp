#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "application.h"
#include "controls.h"
#include "directory_list.h"
#include "drive_combo.h"
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
  DirectoryListBox list;
  DriveComboBox drives;
  int clicks = 0, checkClicks = 0, destroyed = 0;
  std::vector<std::string> events;

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
    list.Create({"DirectoryListBox1", 20, this, 220, 16, 130, 225, font(), Align::Left, 3});
    drives.Create({"DriveComboBox1", 21, this, 220, 256, 130, 19, font(), Align::Left, 4});
    button.onClick = [this] { ++clicks; };
    check.onClick = [this] { ++checkClicks; };
    list.onChange = [this] { events.push_back("list " + list.Directory()); };
    drives.onChange = [this] { events.push_back(std::string("drive ") + drives.Drive()); };
  }
};

constexpr FormDesign kDesign{"TestForm", "Caption:", 363, 403, WS_CAPTION | WS_SYSMENU, {}};

TEST(Form, HasTheDesignedSizeNestedControlsAndRoutesTheirClicksAndExceptions) {
  TestForm form;
  form.CreateForm(kDesign, nullptr);
  RECT client{};
  GetClientRect(form.hwnd(), &client);
  EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(363L, 403L));
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
  // Modal to the form, so no second box stacks up.
  EXPECT_EQ(std::make_tuple(boxes[0].text, boxes[0].caption, boxes[0].type & MB_ICONMASK,
                            boxes[0].owner, boxes[1].text),
            std::make_tuple("Range check error.", "Setup", UINT{MB_ICONERROR}, form.hwnd(),
                            "Drive X: is not ready."));
  TestForm orphan;  // a child window without a parent cannot be made
  EXPECT_THROW(orphan.CreateForm({"Orphan", "x", 300, 200, WS_CHILD, {}}, nullptr), Exception);
  EXPECT_EQ(orphan.hwnd(), nullptr);
  HWND label = form.label.hwnd();
  form.Destroy();  // the objects forget handles Windows destroyed with their parent
  EXPECT_EQ(std::make_tuple(form.destroyed, IsWindow(label), form.label.hwnd()),
            std::make_tuple(1, FALSE, HWND{}));
}

// A page whose controls wait for their windows: what is set on them meanwhile is what
// their windows show once made, in the order of the table.
class LaterForm : public Form {
 public:
  Panel first, later;
  Label caption;
  Edit field;
  CheckBox check;
  RadioButton mine, everyone;
  ComboBox choice;
  ProgressBar bar;
  Button hidden;
  int checkClicks = 0;

 protected:
  void CreateControls() override {
    first.Create({"first", 10, this, 0, 0, 300, 100, font()});
    later.Create({"later", 11, this, 0, 100, 300, 200, font()});
    later.Hide();
    CreateLater(later);
    caption.Create({"caption", 12, &later, 0, 0, 200, 13, font(), Align::Center});
    field.Create({"field", 13, &later, 0, 16, 200, 21, font(), Align::Left, 0});
    check.Create({"check", 14, &later, 0, 40, 200, 17, font(), Align::Left, 1});
    mine.Create({"mine", 15, &later, 0, 60, 200, 17, font(), Align::Left, 2});
    everyone.Create({"everyone", 16, &later, 0, 80, 200, 17, font(), Align::Left, 3});
    choice.Create({"choice", 17, &later, 0, 100, 200, 21, font(), Align::Left, 4});
    bar.Create({"bar", 18, &later, 0, 130, 200, 16, font()});
    hidden.Create({"hidden", 19, &later, 0, 150, 80, 25, font(), Align::Left, 5});
    check.onClick = [this] { ++checkClicks; };
  }
};

TEST(Form, ControlsThatWaitKeepWhatIsSetOnThemAndTheirWindowsShowItOnceMade) {
  LaterForm form;
  form.CreateForm({"LaterForm", "Later:", 300, 300, WS_CAPTION | WS_SYSMENU, {}}, nullptr);
  form.caption.SetText("Progress:");
  form.field.SetText("C:\\Games\\Tidemoor");
  form.field.SetEnabled(false);
  form.check.SetChecked(true);
  form.check.SetChecked(true);  // no change, no click
  form.mine.SetChecked(true);
  form.everyone.SetChecked(true);  // unchecks its sibling, as on a made page
  form.choice.AddItem("Deutsch");
  form.choice.AddItem("English");
  form.choice.SetItemIndex(1);
  form.bar.SetPosition(150);  // within the default range of 100
  form.bar.SetMax(16'651'315);
  form.bar.SetPosition(16'000'000);
  form.hidden.Hide();
  form.hidden.Click();  // a control not on screen takes no click

  EXPECT_EQ(form.field.hwnd(), nullptr) << "no window before the form is shown";
  EXPECT_EQ(std::make_tuple(form.caption.Text(), form.field.Text(), form.field.Enabled(),
                            form.check.Checked(), form.checkClicks, form.mine.Checked(),
                            form.everyone.Checked(), form.choice.ItemCount(),
                            form.choice.ItemIndex(), form.bar.Position(), form.field.Visible()),
            std::make_tuple("Progress:", "C:\\Games\\Tidemoor", false, true, 1, false, true, 2, 1,
                            16'000'000u, false));

  form.ShowForm();
  std::vector<HWND> made;
  for (HWND child = GetWindow(form.later.hwnd(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    made.push_back(child);
  EXPECT_EQ(made, (std::vector<HWND>{form.caption.hwnd(), form.field.hwnd(), form.check.hwnd(),
                                     form.mine.hwnd(), form.everyone.hwnd(), form.choice.hwnd(),
                                     form.bar.hwnd(), form.hidden.hwnd()}))
      << "made in table order, the tab key's";
  char field[64] = {};
  GetWindowTextA(form.field.hwnd(), field, sizeof field);
  EXPECT_EQ(std::string(field), "C:\\Games\\Tidemoor");
  EXPECT_EQ(Window::FromHandle(form.caption.hwnd()), &form.caption);
  EXPECT_EQ(GetDlgCtrlID(form.bar.hwnd()), 18);
  EXPECT_FALSE(IsWindowEnabled(form.field.hwnd()));
  EXPECT_EQ(SendMessageA(form.check.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(form.mine.hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(form.everyone.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(form.choice.hwnd(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(form.choice.hwnd(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(form.bar.hwnd(), PBM_GETRANGE, FALSE, 0), 16'651'315);
  EXPECT_EQ(SendMessageA(form.bar.hwnd(), PBM_GETPOS, 0, 0), 16'000'000);
  EXPECT_EQ(GetWindowLongA(form.hidden.hwnd(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_NE(GetWindowLongA(form.caption.hwnd(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(form.checkClicks, 1);
  form.later.Show();
  EXPECT_TRUE(form.field.Visible());
  form.everyone.SetChecked(false);
  form.mine.SetChecked(true);
  EXPECT_EQ(std::make_pair(form.mine.Checked(), form.everyone.Checked()),
            std::make_pair(true, false));
  form.Destroy();
}

TEST(Form, APageShownBeforeTheFormMakesItsControlsAndAFormNeverShownNone) {
  LaterForm shownPage, neverShown;
  const FormDesign design{"LaterForm", "Later:", 300, 300, WS_CAPTION | WS_SYSMENU, {}};
  shownPage.CreateForm(design, nullptr);
  shownPage.field.SetText("typed before");
  shownPage.later.Show();  // as a run without questions shows its progress page
  EXPECT_NE(shownPage.field.hwnd(), nullptr);
  EXPECT_EQ(shownPage.field.Text(), "typed before");
  EXPECT_FALSE(IsWindowVisible(shownPage.hwnd()));
  neverShown.CreateForm(design, nullptr);
  neverShown.check.SetChecked(true);
  neverShown.Destroy();
  EXPECT_EQ(neverShown.check.hwnd(), nullptr);
  shownPage.Destroy();

  // A move to a monitor of another DPI before the form is shown: the waiting controls
  // are made first, and laid out with the others at the new DPI.
  LaterForm moved;
  moved.CreateForm(design, nullptr);
  const RECT suggested{0, 0, 600, 600};
  SendMessageA(moved.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  ASSERT_NE(moved.bar.hwnd(), nullptr);
  RECT bar{};
  GetWindowRect(moved.bar.hwnd(), &bar);
  MapWindowPoints(nullptr, moved.later.hwnd(), reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(std::make_tuple(bar.top, bar.right, bar.bottom), std::make_tuple(195L, 300L, 219L));
  moved.Destroy();
}

// A form over C:\tdm-dirlist\{Alpha\beta, Alpha\Delta, Gamma, note.txt}, removed afterwards.
class DirectoryListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"\\Alpha\\beta", "\\Alpha\\Delta", "\\Gamma"})
      std::filesystem::create_directories(base + folder);
    std::ofstream(base + "\\note.txt") << "a file";
    form.CreateForm(kDesign, nullptr);
  }
  void TearDown() override { std::filesystem::remove_all(base); }
  std::vector<std::string> Items(HWND box, UINT count, UINT get) {
    std::vector<std::string> items;
    for (int i = 0; i < SendMessageA(box, count, 0, 0); ++i) {
      char text[MAX_PATH + 8] = {};
      SendMessageA(box, get, i, reinterpret_cast<LPARAM>(text));
      items.emplace_back(text);
    }
    return items;
  }
  LRESULT List(UINT message, WPARAM w = 0, LPARAM l = 0) {
    return SendMessageA(form.list.hwnd(), message, w, l);
  }
  // The mouse messages of a click, or a double click, on entry `index`.
  void Click(int index, bool twice) {
    RECT item{};
    List(LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 30, (item.top + item.bottom) / 2);
    const UINT messages[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    for (int i = 0; i < (twice ? 4 : 2); ++i) List(messages[i], i % 2 == 0 ? MK_LBUTTON : 0, at);
  }
  void ChooseDrive(char drive) {
    const HWND box = form.drives.hwnd();
    for (int i = 0; i < SendMessageA(box, CB_GETCOUNT, 0, 0); ++i)
      if (SendMessageA(box, CB_GETITEMDATA, i, 0) == drive) SendMessageA(box, CB_SETCURSEL, i, 0);
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(21, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
  }
  const std::string base = "C:\\tdm-dirlist";
  TestForm form;
};

TEST_F(DirectoryListTest, ShowsThePathThenTheSubfoldersAndADoubleClickOpensOneAClickNothing) {
  EXPECT_TRUE(form.list.SetDirectory("c" + base.substr(1) + "\\alpha"));  // in disk spelling
  EXPECT_EQ(Items(form.list.hwnd(), LB_GETCOUNT, LB_GETTEXT),
            (std::vector<std::string>{"C:\\", "tdm-dirlist", "Alpha", "beta", "Delta"}));
  const LRESULT sub = 3 | DirectoryListBox::kSubfolderEntry, data[] = {0, 1, 2, sub, sub};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(List(LB_GETITEMDATA, i), data[i]) << i;
  EXPECT_EQ(List(LB_GETCURSEL), 2);
  EXPECT_TRUE(form.events.empty()) << "opening from code raises no change";
  Click(4, true);  // Delta
  EXPECT_EQ(form.list.Directory(), base + "\\Alpha\\Delta");
  EXPECT_EQ(List(LB_GETCURSEL), 3);
  EXPECT_EQ(form.events.back(), "list " + base + "\\Alpha\\Delta");
  Click(0, true);   // the root
  Click(1, false);  // a single click opens nothing and reports the folder still open
  EXPECT_EQ(form.list.Directory(), "C:\\");
  EXPECT_EQ(form.events.back(), "list C:\\");
}

TEST_F(DirectoryListTest, ANameThatIsNoFolderOpensItsNearestParentOrTheCurrentFolder) {
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);
  const std::tuple<std::string, bool, std::string> rows[] = {
      {base + "\\Alpha\\missing\\deeper", true, base + "\\Alpha"},
      {base + "\\note.txt", true, base},  // a file is no folder
      {base + "\\A*", true, base},        // nor does a wildcard pick one
      {"Q:\\nowhere", false, current},
      {"", false, current},
      {"C:", true, "C:\\"}};
  for (const auto& [name, opened, directory] : rows) {
    form.list.SetDirectory(base);
    EXPECT_EQ(form.list.SetDirectory(name), opened) << name;
    EXPECT_EQ(form.list.Directory(), directory) << name;
  }
  EXPECT_EQ(std::ranges::count(Items(form.list.hwnd(), LB_GETCOUNT, LB_GETTEXT), "tdm-dirlist"), 1)
      << "a drive root lists its folders";
}

TEST_F(DirectoryListTest, TheDriveBoxListsEveryDriveAndMovesTheListToItsLastFolder) {
  const std::vector<std::string> shown = Items(form.drives.hwnd(), CB_GETCOUNT, CB_GETLBTEXT);
  EXPECT_EQ(shown.size(), std::bitset<32>(GetLogicalDrives()).count());
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_EQ(std::ranges::count(shown, "C:"), 1) << "Wine's C: has no label";
  form.list.SetDirectory(base + "\\Gamma");
  form.drives.LinkTo(form.list);
  EXPECT_EQ(form.drives.Drive(), 'C');
  form.list.SetDirectory("Z:\\tmp");
  EXPECT_EQ(form.drives.Drive(), 'Z') << "the box follows the list to another drive";
  ChooseDrive('C');
  EXPECT_EQ(form.list.Directory(), base + "\\Gamma");
  EXPECT_EQ(form.events, (std::vector<std::string>{"list " + base + "\\Gamma", "drive C"}))
      << "the list moves first, then the box reports";
  ChooseDrive('C');
  EXPECT_EQ(form.events.size(), 3u) << "the same drive moves nothing";
  EXPECT_EQ(form.events.back(), "drive C");
}

}  // namespace
}  // namespace gui
