#include "drive_combo.h"

#include <cctype>
#include <string>

#include "quiet_drive_errors_win.h"

namespace gui {
namespace {

// "C: [System]", or just "C:" for a drive without a label. Removable drives are not
// asked for theirs: a floppy drive would spin up for every listing.
std::string DriveItemText(char drive) {
  const std::string root = std::string(1, drive) + ":\\";
  std::string text = std::string(1, drive) + ":";
  if (GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE) return text;
  QuietDriveErrors quiet;
  char label[MAX_PATH + 1] = {};
  if (GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr,
                            0) &&
      label[0] != '\0')
    text += std::string(" [") + label + "]";
  return text;
}

}  // namespace

Control::Style DriveComboBox::StyleFor(const ControlSpec&) const {
  return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL};
}

void DriveComboBox::AfterCreate(const ControlSpec&) {
  Reload();
}

void DriveComboBox::DpiChanged() {
  const RECT design = DesignRect();
  FitDropDownField(hwnd_, Scaled(design.bottom) - Scaled(design.top));
}

void DriveComboBox::LinkTo(DirectoryListBox& list) {
  list_ = &list;
  list.onDriveShown = [this](char drive) { SetDrive(drive); };
  if (list.Drive() != '\0') SetDrive(list.Drive());
}

void DriveComboBox::Reload() {
  const char chosen = Drive();
  SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
  const DWORD drives = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    const char drive = static_cast<char>('A' + bit);
    const LRESULT index = SendMessageA(hwnd_, CB_ADDSTRING, 0,
                                       reinterpret_cast<LPARAM>(DriveItemText(drive).c_str()));
    SendMessageA(hwnd_, CB_SETITEMDATA, static_cast<WPARAM>(index), drive);
  }
  if (chosen != '\0') SetDrive(chosen);
}

char DriveComboBox::Drive() const {
  const LRESULT index = SendMessageA(hwnd_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return '\0';
  return static_cast<char>(SendMessageA(hwnd_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void DriveComboBox::SetDrive(char drive) {
  drive = static_cast<char>(std::toupper(static_cast<unsigned char>(drive)));
  const auto count = static_cast<int>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    if (SendMessageA(hwnd_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0) == drive) {
      SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      return;
    }
  }
}

void DriveComboBox::HandleCommand(WORD code) {
  if (code != CBN_SELCHANGE) return;
  if (list_ != nullptr && Drive() != list_->Drive()) {
    try {
      list_->ChangeDrive(Drive());
    } catch (...) {
      // The box keeps showing the drive the list is on.
      SetDrive(list_->Drive());
      throw;
    }
  }
  if (onChange) onChange();
}

}  // namespace gui
