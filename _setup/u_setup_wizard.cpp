// The wizard's buttons: forward, back, cancel, the terms check box and the
// language list.
#include <windows.h>

#include <string>

#include "catalogue_text.h"
#include "fixed_names.h"
#include "message_box.h"
#include "path_buffer.h"
#include "s_folder_rights_win.h"
#include "s_handle_win.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "settings_trim.h"
#include "setup_report.h"
#include "u_directorydlg.h"
#include "u_setup.h"

using setup::Msg;

namespace {

constexpr char kUnit[] = "_setup/u_setup";
using installation::kProductKey;

void ShowNoNextStep() {
  setup::Report(nullptr, kMsgNoNextStep, Msg(kMsgNoNextStep), Msg(kMsgError));
}

// The readme opens in the system's editor, found through the search path; the
// quotes keep a path with blanks one argument. The wizard does not wait for it.
void OpenInEditor(const std::string& path) {
  std::string commandLine = "notepad.exe \"" + path + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process))
    const handles::Process started(process);  // not waited for: closed at once
}

}  // namespace

void TFSetup::BindHandlers() {
  Button1.onClick = [this] { Button1Click(); };
  Button2.onClick = [this] { Button2Click(); };
  Button3.onClick = [this] { Button3Click(); };
  Button4.onClick = [this] { Button4Click(); };
  chk_disclaimer.onClick = [this] { chk_disclaimerClick(); };
  chk_disclaimer2.onClick = [this] { chk_disclaimer2Click(); };
  box_language.onChange = [this] { box_languageChange(); };
}

bool TFSetup::CanClose() {
  // Closing under a running installation would destroy the form it works on.
  return !installing_;
}

void TFSetup::Button1Click() {
  switch (wizardStep) {
    case 0:
      ShowPage(TabSheet6);
      Button1.SetEnabled(chk_disclaimer.Checked());
      Button3.SetEnabled(true);
      wizardStep = 1;
      break;
    case 1:
      ShowPage(TabSheet2);
      Button1.SetText(Msg(kMsgStart));
      wizardStep = 2;
      break;
    case 2:
      StartInstallation();
      break;
    case 3: {
      if (CheckBox4.Checked() && selectedReadme != nullptr)
        OpenInEditor(Edit1.Text() + "\\" + selectedReadme);
      Close();
      break;
    }
    case 4:
      Close();
      break;
    default:
      ShowNoNextStep();
      break;
  }
  KeepFocusOnPage();
}

bool TFSetup::StartInstallation() {
  if (!AcquireProductLock()) return false;
  char registered[256];
  CReg& reg = *CReg::Instance();
  const bool found =
      reg.ReadString(HKEY_CURRENT_USER, kProductKey, "InstallDir", registered, sizeof registered) ||
      reg.ReadString(HKEY_LOCAL_MACHINE, kProductKey, "InstallDir", registered, sizeof registered);
  if (found && Edit1.Text() != registered) {
    RefuseAtStart(kMsgAlreadyInstalled);
    return false;
  }
  // A new installation for all users only where no other account can change the
  // programs the elevated steps start: its existing folders are judged, and Setup makes
  // the rest protected (an update's folders are seen to once the rights are known).
  if (kind == static_cast<std::uint32_t>(archive::SetupKind::Full) && radio_all_users.Checked() &&
      !folder_rights::CheckFolders(setup::TrimSettingsFields(Edit1.Text(), Edit2.Text()).directory,
                                   false)
           .safe) {
    RefuseAtStart(kMsgFolderOthersMayChange);
    return false;
  }
  ShowPage(TabSheet3);
  Button1.SetEnabled(false);
  Button2.Hide();
  Button3.Hide();
  wizardStep = 3;
  KeepFocusOnPage();
  const bool installed = CopyFiles();
  // Nothing more changes the installation: others may go on, and its file goes.
  productLock_.Release();
  return installed;
}

void TFSetup::RefuseAtStart(std::uint32_t textId) {
  // Back on the settings page, should the wait for the lock have left it.
  productLock_.Release();
  ShowPage(TabSheet2);
  Button1.SetEnabled(true);
  Button2.Show();
  Button3.Show();
  setup::Report(gui::FocusOwner(), textId, Msg(textId), Msg(kMsgError));
}

void TFSetup::KeepFocusOnPage() {
  // The forward button when it can take the focus, else the shown page's first control.
  KeepFocusUsable(
      {&Button1, &TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4, &TabSheet5, &TabSheet6});
}

void TFSetup::Button3Click() {
  switch (wizardStep) {
    case 1:
      ShowPage(TabSheet1);
      Button1.SetText(Msg(kMsgNext));
      Button1.SetEnabled(true);
      Button3.SetEnabled(false);
      wizardStep = 0;
      break;
    case 2:
      ShowPage(TabSheet6);
      Button1.SetText(Msg(kMsgNext));
      wizardStep = 1;
      break;
    default:
      ShowNoNextStep();
      break;
  }
  KeepFocusOnPage();
}

void TFSetup::Button2Click() {
  CLog::Instance()->Log(1, kUnit, 392, "Cancel was clicked");
  Close();
}

void TFSetup::chk_disclaimerClick() {
  Button1.SetEnabled(chk_disclaimer.Checked());
}

void TFSetup::chk_disclaimer2Click() {
  chk_disclaimer.SetChecked(!chk_disclaimer.Checked());
}

void TFSetup::box_languageChange() {
  CLang::SetLanguage(static_cast<std::uint32_t>(box_language.ItemIndex()));
  UpdateWizardTexts();
  if (FSelectDirectory != nullptr) FSelectDirectory->UpdateDialogTexts();
}
