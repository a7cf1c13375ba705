// The folder list and the drive box under Wine, in process: what the list shows for
// a folder, how it opens entries, and how the two follow each other.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "directory_list.h"
#include "drive_combo.h"
#include "form.h"

namespace gui {
namespace {

constexpr int kListId = 20;
constexpr int kDrivesId = 21;

class BrowseForm : public Form {
 public:
  DirectoryListBox list;
  DriveComboBox drives;
  std::vector<std::string> events;

 protected:
  void CreateControls() override {
    list.Create({"DirectoryListBox1", kListId, this, 16, 16, 209, 225, font(), Align::Left, 0});
    drives.Create({"DriveComboBox1", kDrivesId, this, 16, 256, 209, 19, font(), Align::Left, 1});
    list.onChange = [this] { events.push_back("list " + list.Directory()); };
    drives.onChange = [this] { events.push_back(std::string("drive ") + drives.Drive()); };
  }
};

constexpr FormDesign kDesign{
    "BrowseForm", "Browse:", 384, 378, WS_POPUP | WS_CAPTION, {"MS Sans Serif", -11, false}};

// C:\tdm-dirlist\Alpha\beta, \Alpha\Delta, \Gamma and a file note.txt, removed afterwards.
struct FolderTree {
  FolderTree() {
    for (const char* folder : {"\\Alpha\\beta", "\\Alpha\\Delta", "\\Gamma"})
      std::filesystem::create_directories(base + folder);
    std::ofstream(base + "\\note.txt") << "a file";
  }
  ~FolderTree() { std::filesystem::remove_all(base); }
  const std::string base = "C:\\tdm-dirlist";
};

std::vector<std::string> Items(const DirectoryListBox& list) {
  std::vector<std::string> items;
  const auto count = static_cast<int>(SendMessageA(list.hwnd(), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::vector<char> text(static_cast<size_t>(SendMessageA(list.hwnd(), LB_GETTEXTLEN, i, 0)) + 1);
    SendMessageA(list.hwnd(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    items.emplace_back(text.data());
  }
  return items;
}

int Selected(const DirectoryListBox& list) {
  return static_cast<int>(SendMessageA(list.hwnd(), LB_GETCURSEL, 0, 0));
}

// The mouse messages of a click (or a double click) on entry `index`.
void Click(const DirectoryListBox& list, int index, bool twice = false) {
  RECT item{};
  SendMessageA(list.hwnd(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 30, (item.top + item.bottom) / 2);
  SendMessageA(list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list.hwnd(), WM_LBUTTONUP, 0, at);
  if (!twice) return;
  SendMessageA(list.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(list.hwnd(), WM_LBUTTONUP, 0, at);
}

void ChooseDrive(const BrowseForm& form, char drive) {
  const HWND box = form.drives.hwnd();
  const auto count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i)
    if (SendMessageA(box, CB_GETITEMDATA, i, 0) == drive) SendMessageA(box, CB_SETCURSEL, i, 0);
  SendMessageA(form.hwnd(), WM_COMMAND, MAKEWPARAM(kDrivesId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box));
}

TEST(DirectoryListBox, ShowsThePathFromTheRootThenTheSubfoldersInDiskSpelling) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  std::string lowered = tree.base + "\\alpha";
  lowered[0] = 'c';
  EXPECT_TRUE(form.list.SetDirectory(lowered));
  EXPECT_EQ(form.list.Directory(), tree.base + "\\Alpha");
  constexpr LRESULT kSub = DirectoryListBox::kSubfolderEntry;
  const std::pair<std::string, LRESULT> expected[] = {
      {"C:\\", 0}, {"tdm-dirlist", 1}, {"Alpha", 2}, {"beta", 3 | kSub}, {"Delta", 3 | kSub}};
  const std::vector<std::string> items = Items(form.list);
  ASSERT_EQ(items.size(), std::size(expected));
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    EXPECT_EQ(items[i], expected[i].first);
    EXPECT_EQ(SendMessageA(form.list.hwnd(), LB_GETITEMDATA, i, 0), expected[i].second) << i;
  }
  EXPECT_EQ(Selected(form.list), 2);
  EXPECT_TRUE(form.events.empty()) << "opening from code raises no change";
}

TEST(DirectoryListBox, ANameThatIsNoFolderOpensItsNearestParentOrTheCurrentFolder) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);
  const std::tuple<std::string, bool, std::string> rows[] = {
      {tree.base + "\\Alpha\\missing\\deeper", true, tree.base + "\\Alpha"},
      {tree.base + "\\note.txt", true, tree.base},  // a file is no folder
      {tree.base + "\\A*", true, tree.base},        // nor does a wildcard pick one
      {"C:", true, "C:\\"},
      {"Q:\\nowhere", false, current},
      {"", false, current}};
  for (const auto& [name, opened, directory] : rows) {
    form.list.SetDirectory(tree.base);
    EXPECT_EQ(form.list.SetDirectory(name), opened) << name;
    EXPECT_EQ(form.list.Directory(), directory) << name;
    if (name == "C:") {  // a drive root lists its folders below itself
      const std::vector<std::string> items = Items(form.list);
      EXPECT_EQ(items.front(), "C:\\");
      EXPECT_NE(std::find(items.begin(), items.end(), "tdm-dirlist"), items.end());
    }
  }
}

TEST(DirectoryListBox, ADoubleClickOpensASubfolderOrAFolderOnThePathAClickNothing) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  form.list.SetDirectory(tree.base + "\\Alpha");
  Click(form.list, 4, true);  // Delta
  EXPECT_EQ(form.list.Directory(), tree.base + "\\Alpha\\Delta");
  EXPECT_EQ(Selected(form.list), 3);
  ASSERT_FALSE(form.events.empty());
  EXPECT_EQ(form.events.back(), "list " + tree.base + "\\Alpha\\Delta");

  Click(form.list, 0, true);  // the root
  EXPECT_EQ(form.list.Directory(), "C:\\");
  Click(form.list, 1);  // a single click opens nothing and reports the folder still open
  EXPECT_EQ(form.list.Directory(), "C:\\");
  EXPECT_EQ(form.events.back(), "list C:\\");
}

TEST(DriveComboBox, ListsEveryDriveInOrderWithItsLabelIfAny) {
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  std::vector<std::string> shown;
  const auto count = static_cast<int>(SendMessageA(form.drives.hwnd(), CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH + 8] = {};
    SendMessageA(form.drives.hwnd(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    shown.emplace_back(text);
  }
  int drives = 0;
  for (DWORD mask = GetLogicalDrives(); mask != 0; mask &= mask - 1) ++drives;
  EXPECT_EQ(count, drives);
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_NE(std::find(shown.begin(), shown.end(), "C:"), shown.end()) << "Wine's C: has no label";
}

TEST(DriveComboBox, FollowsTheListAndMovesItToTheFolderLastOpenOnADrive) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  form.list.SetDirectory(tree.base + "\\Gamma");
  form.drives.LinkTo(form.list);
  EXPECT_EQ(form.drives.Drive(), 'C');

  form.list.SetDirectory("Z:\\tmp");
  EXPECT_EQ(form.drives.Drive(), 'Z') << "the box follows the list to another drive";

  ChooseDrive(form, 'C');
  EXPECT_EQ(form.list.Directory(), tree.base + "\\Gamma");
  EXPECT_EQ(form.events, (std::vector<std::string>{"list " + tree.base + "\\Gamma", "drive C"}))
      << "the list moves first, then the box reports";

  form.events.clear();
  ChooseDrive(form, 'C');
  EXPECT_EQ(form.events, (std::vector<std::string>{"drive C"})) << "the same drive moves nothing";
}

}  // namespace
}  // namespace gui
