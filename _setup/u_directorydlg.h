// TFSelectDirectory: the dialog behind the wizard's ">>" button. The user browses
// drives and folders; the dialog proposes the chosen folder plus the product's
// folder name and hands its text to the wizard's directory field on OK. Prepared once
// at start, built at its first opening, hidden between openings; its texts follow the
// wizard's language.
#pragma once

#include <windows.h>

#include <string>

#include "controls.h"
#include "directory_list.h"
#include "drive_combo.h"
#include "form.h"

class TFSelectDirectory : public gui::Form {
 public:
  // After FSetup exists. Owned by the application window like the wizard; showing it
  // modally disables the wizard.
  void Create();
  // At start, in place of Create: takes the wizard's directory as the dialog would
  // at its creation, and leaves the window, its drives and its folder list to the
  // first opening, which most installations never reach.
  void Prepare();
  // Shows the dialog modally, built first if only prepared.
  int Open();

  gui::DirectoryListBox DirectoryListBox1;
  gui::DriveComboBox DriveComboBox1;
  gui::Button Button1;  // OK, also Enter
  gui::Button Button2;  // Cancel, also Esc
  gui::Edit Edit1;
  gui::Label Label1;
  gui::Label lbl_neededmem_caption, lbl_neededmem, lbl_availmem_caption, lbl_availmem;

  // Binds the captions in the current language and recomputes both disk figures.
  void UpdateDialogTexts();

  // Event handlers.
  void DirectoryListBox1Change();
  void DriveComboBox1Change();
  void Button1Click();
  void Button2Click();

 protected:
  void CreateControls() override;
  void FormCreate() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void BindHandlers();

  // The archive's folder suffix ("\Tidemoor"), in place in the mapped archive; empty
  // when the wizard has no archive.
  std::string installDirSuffix_;
  // The wizard's directory when Prepare ran; what the dialog opens with.
  std::string preparedDirectory_;
  bool prepared_ = false;
  HWND lastFocus_ = nullptr;
};

extern TFSelectDirectory* FSelectDirectory;
