// TFSetup: the wizard form and main window. It owns the mapped archive, the user's
// settings (its controls) and the installation run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "archive_cursor.h"
#include "controls.h"
#include "form.h"
#include "product_identity.h"
#include "s_created_record.h"
#include "s_product_lock_win.h"
#include "setup_archive.h"
#include "setup_switches.h"

class TFSetup : public gui::Form {
 public:
  void Create();  // through the application: the main form

  // Controls outside the pages.
  gui::Label Label1;
  gui::GroupBox GroupBox1;
  gui::Panel PageControl1;
  gui::Button Button1;
  gui::Button Button2;
  gui::Button Button3;
  gui::Label Label2;
  // The pages, by the order of their creation; the wizard meets them as 1, 6, 2, 3|4|5.
  gui::Panel TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6;
  // Language page.
  gui::Label Label3;
  gui::ComboBox box_language;
  // Terms page.
  gui::Label lbl_disclaimer;
  gui::Memo memo_disclaimer;
  gui::CheckBox chk_disclaimer;
  gui::Label chk_disclaimer2;
  // Settings page.
  gui::Label Label4;
  gui::Edit Edit1;
  gui::Button Button4;
  gui::Label lbl_neededmem_caption, lbl_neededmem, lbl_availmem_caption, lbl_availmem;
  gui::Label Label9;
  gui::Edit Edit2;
  gui::RadioButton radio_current_user, radio_all_users;
  gui::CheckBox CheckBox3;
  // Progress, success and failure pages.
  gui::Label Label5;
  gui::ProgressBar ProgressBar1;
  gui::Label lbl_progress;
  gui::Label Label6;
  gui::CheckBox CheckBox4;
  gui::Label Label7;

  // 0 language, 1 terms, 2 settings, 3 copying or success, 4 failure.
  int wizardStep = 0;
  char programFilesDir[256] = {};

  // Archive state, set once by LoadSetupArchive.
  archive::SegmentViews segments{};
  std::uint32_t kind = 0;
  std::uint32_t packageVersionMS = 0, packageVersionLS = 0;
  std::uint32_t requiredVersionMS = 0, requiredVersionLS = 0;
  archive::ArchiveCursor ArchiveCursor{&segments};
  std::uint32_t directoryTableOffset = 0;
  const char* selectedReadme = nullptr;
  const char* selectedReadmeLink = nullptr;
  // For the Apps & features entry: the bytes of the installed files, the main program.
  std::uint64_t installedBytes = 0;
  const char* mainProgramFile = nullptr;
  // The folders this installation created, for the uninstaller (uninstall\created.lst).
  created::CreatedRecord createdFolders;

  void UpdateWizardTexts();
  // The three segment body lengths, from which the required space is figured.
  std::array<std::uint32_t, 3> BodyLengths() const;

  // Event handlers.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void chk_disclaimerClick();
  void chk_disclaimer2Click();
  void box_languageChange();
  void ShowPage(gui::Panel& page);

  // The installation: true when everything is installed and registered; false after
  // InstallFailed has reported the failure and shown the failure page.
  bool CopyFiles();
  // Reports catalogue text `textId` (or `message`, which begins with it).
  bool InstallFailed(std::uint32_t textId, const std::string& message);
  bool InstallFailed(std::uint32_t textId);

  // The command line's settings, put into the wizard's fields before it is shown;
  // an update keeps what it adopted and logs the switches it ignores.
  void ApplySwitches(const setup::SetupSwitches& switches);
  // The run without questions: the terms taken as accepted, the installation started
  // as Start! starts it. True when it installed.
  bool InstallUnattended();

  // The publisher and web address mksetup put beside the archive; empty without them.
  archive::ProductIdentity identity;

  // Shortcut folders, read during the installation.
  char desktopFolder[256] = {};
  char programsFolder[256] = {};

 protected:
  void CreateControls() override;
  void FormCreate() override;
  void FormDestroy() override;
  bool CanClose() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The loading steps of FormCreate, reachable for tests that drive them on their own.
  bool LoadSetupArchive();
  bool VerifyArchiveChecksum();

 private:
  bool CheckArchiveStructure();
  void HandOverHeader();
  bool LoadSegment(int number, bool required);
  bool LoadProductIdentity();
  // The earlier-installation step; false after a refusal has been shown.
  bool CheckEarlierInstallation();
  void AdoptEarlierInstallation(std::uint32_t language, const char* installDir,
                                const char* startMenuGroup, bool currentUser);

  // Stages of CopyFiles; each returns false after InstallFailed.
  bool ProbeAllUsersRights();
  void TrimSettings();
  // `made` counts the directory when this call created it.
  bool EnsureDirectory(const char* path, unsigned* made = nullptr, bool protect = false);
  bool CreateInstallDirectory();
  bool CreateArchiveDirectories();
  void SelectReadme();
  bool WriteFiles();
  void DeleteObsoleteFiles();
  bool RegisterInstallation();
  bool CreateShortcuts();
  bool CreateStartMenuGroup(const std::string& group);
  void WriteCreatedRecord();
  bool WriteProductSettings();
  bool WriteUninstallEntry();
  void Refresh();
  void BindHandlers();
  // Start!: the lock, the directory check and CopyFiles; true when it installed.
  bool StartInstallation();
  // Holds the product lock, or reports why not; see u_setup_unattended.cpp.
  bool AcquireProductLock();
  // Back on the settings page after a refusal at Start!, with its message.
  void RefuseAtStart(std::uint32_t textId);
  void KeepFocusOnPage();
  // Gives the memo the terms UpdateWizardTexts gathered, if it has not had them yet.
  void ShowPendingTerms();

  // Laying out a few hundred wrapped lines of terms costs Wine a tenth of a second:
  // the memo gets them when their page is shown, or as soon as the wizard, shown and
  // painted, turns to its messages, whichever comes first.
  bool termsPending_ = false;

  // Set while CopyFiles runs: the form refuses to close under it.
  bool installing_ = false;
  // An update took over the registered language, directory, group and scope.
  bool adopted_ = false;
  // Taken at Start!, held to the end of the program.
  CProductLock productLock_;
};

extern TFSetup* FSetup;
