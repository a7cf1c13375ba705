#include "directory_support.h"

#include <algorithm>
#include <cstdio>

namespace e2e {

std::string FreeSpaceFigure(const std::string& root) {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return "no volume " + root;
  return std::to_string(free.QuadPart / 1048576u) + " MB";
}

DriveDFolder::DriveDFolder() {
  if ((GetLogicalDrives() & (1u << ('D' - 'A'))) == 0)
    throw driver::DriverError("drive D: is missing: run with TDM_WINE_DRIVES=d=<unix folder>");
  path_ = "D:\\tdm-directory-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(GetTickCount());
  if (!CreateDirectoryA(path_.c_str(), nullptr))
    throw driver::DriverError("cannot create " + path_);
  made_.push_back(path_);
}

DriveDFolder::~DriveDFolder() {
  for (auto it = made_.rbegin(); it != made_.rend(); ++it) RemoveDirectoryA(it->c_str());
}

std::string DriveDFolder::Make(const std::string& relative) {
  std::string folder = path_;
  size_t start = 0;
  while (start <= relative.size()) {
    const size_t end = std::min(relative.find('\\', start), relative.size());
    folder.append(1, '\\').append(relative, start, end - start);
    if (CreateDirectoryA(folder.c_str(), nullptr)) made_.push_back(folder);
    start = end + 1;
  }
  return folder;
}

DirectoryDialogRun::DirectoryDialogRun() {
  app_.emplace(driver::App::Start(driver::WinePath(TDM_DEMO_FULL_SETUP)));
  wizard_ = app_->WaitForForm("FSetup");
  wizard_.Child("Button1").Click();
  wizard_.Child("chk_disclaimer").SetChecked(true);
  wizard_.Child("Button1").Click();
  driver::WaitUntil([&] { return wizard_.Child("Button4").IsVisible(); }, "the settings page");
}

DirectoryDialogRun::~DirectoryDialogRun() {
  if (app_) app_->GetProcess().Kill();
}

driver::Window DirectoryDialogRun::OpenDialog() {
  wizard_.Child("Button4").Click();
  return app_->WaitForForm("FSelectDirectory");
}

driver::Window DirectoryDialogRun::Dialog() const {
  for (const driver::Window& window : app_->TopLevelWindows(false))
    if (window.Name() == "FSelectDirectory") return window;
  throw driver::DriverError("Setup.exe has no FSelectDirectory window");
}

void DirectoryDialogRun::WaitForDialogGone() const {
  app_->WaitForFormGone("FSelectDirectory");
}

namespace {

LRESULT Ask(const driver::Window& window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window.Handle(), message, wParam, lParam, SMTO_NORMAL, 5000, &result))
    throw driver::DriverError(window.Describe() + " did not answer");
  return static_cast<LRESULT>(result);
}

}  // namespace

// Asked in UTF-16 and converted here: Wine answers a cross-process LB_GETTEXT sent as
// ANSI with the UTF-16 bytes.
std::vector<std::string> ListEntries(const driver::Window& list) {
  std::vector<std::string> entries;
  const auto count = static_cast<int>(Ask(list, LB_GETCOUNT));
  for (int i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list.Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_NORMAL, 5000,
                        &length);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(list.Handle(), LB_GETTEXT, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, 5000, &copied);
    wide.resize(static_cast<size_t>(copied));
    std::string text(wide.size() * 2 + 1, '\0');
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(),
                            static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    entries.push_back(text);
  }
  return entries;
}

int OpenFolderIndex(const driver::Window& list) {
  // Each entry's data is its depth, the subfolders' with this flag added.
  constexpr LRESULT kSubfolderEntry = 0x10000;
  const auto count = static_cast<int>(Ask(list, LB_GETCOUNT));
  int open = -1;
  for (int i = 0; i < count && (Ask(list, LB_GETITEMDATA, i) & kSubfolderEntry) == 0; ++i) open = i;
  return open;
}

void DoubleClickEntry(const driver::Window& list, int index) {
  if (!list.IsUsable()) throw driver::DriverError("cannot double-click in " + list.Describe());
  Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index));
  const auto top = static_cast<int>(Ask(list, LB_GETTOPINDEX));
  const auto height = static_cast<int>(Ask(list, LB_GETITEMHEIGHT));
  const LPARAM at = MAKELPARAM(40, (index - top) * height + height / 2);
  driver::SendAsUser(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
}

void OpenSubfolder(const driver::Window& list, const std::string& name) {
  const std::vector<std::string> entries = ListEntries(list);
  for (size_t i = static_cast<size_t>(OpenFolderIndex(list)) + 1; i < entries.size(); ++i)
    if (entries[i] == name) return DoubleClickEntry(list, static_cast<int>(i));
  throw driver::DriverError(list.Describe() + " shows no subfolder \"" + name + "\"");
}

void ChooseDrive(const driver::Window& drives, char letter) {
  const std::vector<std::string> items = drives.ComboItems();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].size() >= 2 && items[i][0] == letter && items[i][1] == ':')
      return drives.SelectComboItem(static_cast<int>(i));
  throw driver::DriverError(drives.Describe() + " lists no drive " + std::string(1, letter) + ":");
}

void Browse(const driver::Window& dialog, const std::string& path) {
  const driver::Window list = dialog.Child("DirectoryListBox1");
  const driver::Window drives = dialog.Child("DriveComboBox1");
  if (drives.ComboSelectedText().substr(0, 2) != path.substr(0, 2)) ChooseDrive(drives, path[0]);
  DoubleClickEntry(list, 0);
  size_t start = 3;
  while (start < path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    OpenSubfolder(list, path.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace e2e
