// What the command line changes in the wizard: preset fields, the run without
// questions, and the product lock that Start! takes.
#include <windows.h>

#include <string>

#include "application.h"
#include "catalogue_text.h"
#include "exit_codes.h"
#include "s_logging.h"
#include "settings_trim.h"
#include "setup_report.h"
#include "u_setup.h"

using setup::Msg;

namespace {

constexpr char kUnit[] = "_setup/u_setup_unattended";

void LogIgnored(const char* what, const std::string& given) {
  CLog::Instance()->Log(1, kUnit, 20, "the update keeps the registered %s: %s ignored", what,
                        given.c_str());
}

}  // namespace

void TFSetup::ApplySwitches(const setup::SetupSwitches& switches) {
  if (adopted_) {
    if (switches.directory && *switches.directory != Edit1.Text())
      LogIgnored("directory", *switches.directory);
    if (switches.allUsers && *switches.allUsers != radio_all_users.Checked())
      LogIgnored("scope", *switches.allUsers ? "/ALLUSERS" : "/CURRENTUSER");
    if (switches.language && static_cast<int>(*switches.language) != box_language.ItemIndex())
      LogIgnored("language", *switches.language == 0 ? "/LANG=de" : "/LANG=en");
    return;
  }
  if (switches.language) {
    box_language.SetItemIndex(static_cast<int>(*switches.language));
    box_languageChange();
  }
  if (switches.directory) Edit1.SetText(*switches.directory);
  if (switches.allUsers) {
    radio_all_users.SetChecked(*switches.allUsers);
    radio_current_user.SetChecked(!*switches.allUsers);
  }
  if (switches.noDesktopIcon) CheckBox3.SetChecked(false);
  UpdateWizardTexts();  // the space figures of a preset directory
}

bool TFSetup::InstallUnattended() {
  CLog::Instance()->Log(1, kUnit, 48, "terms of use accepted by the command line");
  chk_disclaimer.SetChecked(true);
  wizardStep = 2;
  if (setup::CurrentRunMode() == setup::RunMode::Silent) {
    // Only the progress page is ever seen.
    ShowPage(TabSheet3);
    Button1.SetEnabled(false);
    Button2.Hide();
    Button3.Hide();
    ShowForm();
  }
  return StartInstallation();
}

bool TFSetup::AcquireProductLock() {
  // A folder not made yet has no lock to wait for: it is taken once the folder is there.
  const std::string directory = setup::TrimSettingsFields(Edit1.Text(), Edit2.Text()).directory;
  const DWORD attributes = GetFileAttributesA(directory.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      productLock_.TryAcquire(directory))
    return true;
  if (setup::Unattended()) {
    CLog::Instance()->Log(1, kUnit, 66,
                          "another program of the product holds its lock (exit code %i)",
                          setup::kExitLockHeld);
    setup::SetExitCode(setup::kExitLockHeld);
    return false;
  }
  // The wizard waits on the progress page until the other program has finished; the
  // close box gives up (nothing is being copied yet, so it may close).
  CLog::Instance()->Log(1, kUnit, 75, "waiting for the product lock");
  ShowPage(TabSheet3);
  Button1.SetEnabled(false);
  Button2.Hide();
  Button3.Hide();
  lbl_progress.SetText(Msg(kMsgPleaseWait));
  KeepFocusOnPage();
  gui::Application& application = gui::Application::Instance();
  while (!productLock_.TryAcquire(directory)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
    application.ProcessMessages();
    if (application.Terminated() || !Visible()) return false;
  }
  lbl_progress.SetText("");
  // The other program may have installed or removed the product meanwhile.
  return CheckEarlierInstallation();
}
