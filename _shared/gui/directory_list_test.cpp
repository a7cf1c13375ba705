// The folder list and the drive box under Wine, in process: what the list shows for
// a folder, how it opens entries, and how the two follow each other.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
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

// A folder tree of its own on C:, removed afterwards:
// C:\tdm-dirlist-<pid>\Alpha\beta, \Alpha\Delta, \Gamma and a file note.txt.
class FolderTree {
 public:
  FolderTree() : base_("C:\\tdm-dirlist-" + std::to_string(GetCurrentProcessId())) {
    for (const char* folder : {"", "\\Alpha", "\\Alpha\\beta", "\\Alpha\\Delta", "\\Gamma"})
      CreateDirectoryA((base_ + folder).c_str(), nullptr);
    HANDLE file = CreateFileA((base_ + "\\note.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  ~FolderTree() {
    DeleteFileA((base_ + "\\note.txt").c_str());
    for (const char* folder : {"\\Gamma", "\\Alpha\\Delta", "\\Alpha\\beta", "\\Alpha", ""})
      RemoveDirectoryA((base_ + folder).c_str());
  }
  const std::string& Base() const { return base_; }
  std::string Name() const { return base_.substr(3); }

 private:
  std::string base_;
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

std::vector<LRESULT> Depths(const DirectoryListBox& list) {
  std::vector<LRESULT> depths;
  const auto count = static_cast<int>(SendMessageA(list.hwnd(), LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) depths.push_back(SendMessageA(list.hwnd(), LB_GETITEMDATA, i, 0));
  return depths;
}

int Selected(const DirectoryListBox& list) {
  return static_cast<int>(SendMessageA(list.hwnd(), LB_GETCURSEL, 0, 0));
}

// The mouse messages of a double click on entry `index`, as the list receives them.
void DoubleClick(const DirectoryListBox& list, int index) {
  RECT item{};
  SendMessageA(list.hwnd(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 30, (item.top + item.bottom) / 2);
  SendMessageA(list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(list.hwnd(), WM_LBUTTONUP, 0, at);
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
  std::string lowered = tree.Base() + "\\alpha";
  lowered[0] = 'c';
  EXPECT_TRUE(form.list.SetDirectory(lowered));
  EXPECT_EQ(form.list.Directory(), tree.Base() + "\\Alpha");
  EXPECT_EQ(Items(form.list),
            (std::vector<std::string>{"C:\\", tree.Name(), "Alpha", "beta", "Delta"}));
  constexpr LRESULT kSub = DirectoryListBox::kSubfolderEntry;
  EXPECT_EQ(Depths(form.list), (std::vector<LRESULT>{0, 1, 2, 3 | kSub, 3 | kSub}));
  EXPECT_EQ(Selected(form.list), 2);
  EXPECT_TRUE(form.events.empty()) << "opening from code raises no change";
}

TEST(DirectoryListBox, ADriveRootReadsWithItsBackslashAndListsItsFolders) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  form.list.SetDirectory("C:");
  EXPECT_EQ(form.list.Directory(), "C:\\");
  const std::vector<std::string> items = Items(form.list);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0], "C:\\");
  EXPECT_NE(std::find(items.begin(), items.end(), tree.Name()), items.end());
}

TEST(DirectoryListBox, AMissingFolderOpensItsNearestExistingParent) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  EXPECT_TRUE(form.list.SetDirectory(tree.Base() + "\\Alpha\\missing\\deeper"));
  EXPECT_EQ(form.list.Directory(), tree.Base() + "\\Alpha");
  // A file is no folder; a wildcard must not pick some other folder.
  EXPECT_TRUE(form.list.SetDirectory(tree.Base() + "\\note.txt"));
  EXPECT_EQ(form.list.Directory(), tree.Base());
  EXPECT_TRUE(form.list.SetDirectory(tree.Base() + "\\A*"));
  EXPECT_EQ(form.list.Directory(), tree.Base());
}

TEST(DirectoryListBox, ANameWithoutAnExistingDriveOpensTheCurrentFolder) {
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);
  EXPECT_FALSE(form.list.SetDirectory("Q:\\nowhere"));
  EXPECT_EQ(form.list.Directory(), current);
  EXPECT_FALSE(form.list.SetDirectory(""));
  EXPECT_EQ(form.list.Directory(), current);
}

TEST(DirectoryListBox, ADoubleClickOpensASubfolderOrAFolderOnThePath) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  form.list.SetDirectory(tree.Base() + "\\Alpha");
  DoubleClick(form.list, 4);  // Delta
  EXPECT_EQ(form.list.Directory(), tree.Base() + "\\Alpha\\Delta");
  EXPECT_EQ(Selected(form.list), 3);
  ASSERT_FALSE(form.events.empty());
  EXPECT_EQ(form.events.back(), "list " + tree.Base() + "\\Alpha\\Delta");

  DoubleClick(form.list, 0);  // the root
  EXPECT_EQ(form.list.Directory(), "C:\\");
}

TEST(DirectoryListBox, AClickWithoutOpeningReportsTheFolderStillOpen) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  form.list.SetDirectory(tree.Base());
  RECT item{};
  SendMessageA(form.list.hwnd(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 30, (item.top + item.bottom) / 2);
  SendMessageA(form.list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(form.list.hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(form.list.Directory(), tree.Base());
  ASSERT_FALSE(form.events.empty());
  EXPECT_EQ(form.events.back(), "list " + tree.Base());
}

TEST(DriveComboBox, ListsEveryDriveWindowsReportsWithItsLabel) {
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  const HWND box = form.drives.hwnd();
  std::vector<std::string> expected;
  const DWORD drives = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    const char drive = static_cast<char>('A' + bit);
    std::string text = std::string(1, drive) + ":";
    char label[MAX_PATH + 1] = {};
    const std::string root = text + "\\";
    if (GetDriveTypeA(root.c_str()) != DRIVE_REMOVABLE &&
        GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr,
                              0) &&
        label[0] != '\0')
      text += std::string(" [") + label + "]";
    expected.push_back(text);
  }
  std::vector<std::string> shown;
  const auto count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH + 8] = {};
    SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    shown.emplace_back(text);
  }
  EXPECT_EQ(shown, expected);
  EXPECT_NE(std::find(shown.begin(), shown.end(), "C:"), shown.end()) << "Wine's C: has no label";
}

TEST(DriveComboBox, FollowsTheListAndMovesItToTheFolderLastOpenOnADrive) {
  FolderTree tree;
  BrowseForm form;
  form.CreateForm(kDesign, nullptr);
  form.list.SetDirectory(tree.Base() + "\\Gamma");
  form.drives.LinkTo(form.list);
  EXPECT_EQ(form.drives.Drive(), 'C');

  form.list.SetDirectory("Z:\\tmp");
  EXPECT_EQ(form.drives.Drive(), 'Z') << "the box follows the list to another drive";

  ChooseDrive(form, 'C');
  EXPECT_EQ(form.list.Directory(), tree.Base() + "\\Gamma");
  EXPECT_EQ(form.events, (std::vector<std::string>{"list " + tree.Base() + "\\Gamma", "drive C"}))
      << "the list moves first, then the box reports";

  form.events.clear();
  ChooseDrive(form, 'C');
  EXPECT_EQ(form.events, (std::vector<std::string>{"drive C"})) << "the same drive moves nothing";
}

}  // namespace
}  // namespace gui
