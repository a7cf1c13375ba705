// DriveComboBox: a drop-down list of the drives Windows reports, each with its volume
// label. Linked to a DirectoryListBox, choosing a drive moves the list there, and the
// box follows the list when the list moves to another drive.
#pragma once

#include <windows.h>

#include "controls.h"
#include "directory_list.h"

namespace gui {

class DriveComboBox : public Control {
 public:
  // The user chose a drive; runs after a linked list has moved to it.
  Callback onChange;

  void LinkTo(DirectoryListBox& list);
  // The chosen drive as an upper-case letter; '\0' when none is chosen.
  char Drive() const;
  // Chooses `drive` from code, without onChange; a drive the box does not list
  // leaves the choice as it is.
  void SetDrive(char drive);
  // Lists the drives anew, keeping the choice where that drive still exists.
  void Reload();

 protected:
  Style StyleFor(const ControlSpec& design) const override;
  void AfterCreate(const ControlSpec& design) override;
  void HandleCommand(WORD code) override;
  int DroppedHeight() const override { return 160; }
  void DpiChanged() override;

 private:
  DirectoryListBox* list_ = nullptr;
};

}  // namespace gui
