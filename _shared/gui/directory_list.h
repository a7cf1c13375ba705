// DirectoryListBox: the folder path of one drive from its root down to the open
// folder, then the open folder's subfolders, one line each, indented by depth and
// drawn with a folder glyph. A double click opens a folder.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "controls.h"

namespace gui {

class DirectoryListBox : public Control {
 public:
  // Each entry's item data is its depth (the root 0), with this flag added for the open
  // folder's subfolders, so a reader can tell the path from the subfolders.
  static constexpr LPARAM kSubfolderEntry = 0x10000;

  // The user opened a folder or clicked an entry, or a linked drive box moved the list.
  Callback onChange;
  // Told the new drive letter whenever the list moves to another drive; the slot of
  // a linked drive box.
  std::function<void(char)> onDriveShown;

  // The open folder as a full path; a drive root reads "C:\".
  const std::string& Directory() const { return directory_; }
  char Drive() const { return directory_.empty() ? '\0' : directory_[0]; }

  // Opens `path` from code, without onChange. Names take the letter case they have on
  // disk. A folder that does not exist opens its nearest existing parent; when not
  // even its drive exists, the program's current folder opens and the result is false.
  bool SetDirectory(const std::string& path);
  // Opens the folder last open on `drive` (its root the first time) and raises
  // onChange. Throws gui::Exception when the drive cannot be read, leaving the list.
  void ChangeDrive(char drive);

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void DpiChanged() override;
  void HandleCommand(WORD code) override;
  bool HandleDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  bool Open(const std::string& path);
  void Fill();
  void OpenSelectedEntry();
  // The folder last open on a drive letter A to Z, empty before; null for another letter.
  std::string* LastOn(char drive);

  std::string directory_;
  std::array<std::string, 26> lastOnDrive_;  // as the drive box returns to a drive
};

}  // namespace gui
