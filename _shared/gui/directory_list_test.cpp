// The folder list and the drive box under Wine, in process: what the list shows for
// a folder, how it opens entries, and how the two follow each other.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "directory_list.h"
#include "drive_combo.h"
#include "form.h"

namespace gui {
namespace {

class BrowseForm : public Form {
 public:
  DirectoryListBox list;
  DriveComboBox drives;
  std::vector<std::string> events;

 protected:
  void CreateControls() override {
    list.Create({"DirectoryListBox1", 20, this, 16, 16, 209, 225, font(), Align::Left, 0});
    drives.Create({"DriveComboBox1", 21, this, 16, 256, 209, 19, font(), Align::Left, 1});
    list.onChange = [this] { events.push_back("list " + list.Directory()); };
    drives.onChange = [this] { events.push_back(std::string("drive ") + drives.Drive()); };
  }
};

// A form over C:\tdm-dirlist\{Alpha\beta, Alpha\Delta, Gamma, note.txt}, removed afterwards.
class DirectoryListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"\\Alpha\\beta", "\\Alpha\\Delta", "\\Gamma"})
      std::filesystem::create_directories(base + folder);
    std::ofstream(base + "\\note.txt") << "a file";
    form.CreateForm(
        {"BrowseForm", "Browse:", 384, 378, WS_POPUP | WS_CAPTION, {"MS Sans Serif", -11, false}},
        nullptr);
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
    List(WM_LBUTTONDOWN, MK_LBUTTON, at);
    List(WM_LBUTTONUP, 0, at);
    if (!twice) return;
    List(WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    List(WM_LBUTTONUP, 0, at);
  }
  void ChooseDrive(char drive) {
    const HWND box = form.drives.hwnd();
    for (int i = 0; i < SendMessageA(box, CB_GETCOUNT, 0, 0); ++i)
      if (SendMessageA(box, CB_GETITEMDATA, i, 0) == drive) SendMessageA(box, CB_SETCURSEL, i, 0);
    SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(21, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
  }
  const std::string base = "C:\\tdm-dirlist";
  BrowseForm form;
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
