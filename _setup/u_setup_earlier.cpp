// The earlier-installation step of the wizard's creation: a full installation must
// not run over an existing one; an update runs only over an installation with the
// right client version and takes its settings from it.
#include <windows.h>

#include <optional>
#include <string>

#include "application.h"
#include "catalogue_text.h"
#include "earlier_installation.h"
#include "fixed_names.h"
#include "message_box.h"
#include "path_buffer.h"
#include "replay_run_win.h"
#include "s_file_version_win.h"
#include "s_lang.h"
#include "s_registry_win.h"
#include "setup_archive.h"
#include "setup_report.h"
#include "u_setup.h"

using setup::Msg;

namespace {

using installation::kClientFile;
using installation::kProductKey;

// Every refusal of this step ends the program before the wizard is shown; nothing
// has been written anywhere at that point.
bool Refuse(std::uint32_t textId, const char* text, const char* caption) {
  setup::Report(gui::FocusOwner(), textId, text, caption);
  gui::Application::Instance().Terminate();
  return false;
}

// Current user first, then the machine; the first successful read wins.
std::optional<std::uint32_t> ReadRegisteredLanguage(bool& ofCurrentUser) {
  DWORD value = 0;
  CReg& reg = *CReg::Instance();
  ofCurrentUser = reg.ReadDWord(HKEY_CURRENT_USER, kProductKey, "Language", value);
  if (!ofCurrentUser && !reg.ReadDWord(HKEY_LOCAL_MACHINE, kProductKey, "Language", value))
    return std::nullopt;
  return value;
}

bool ReadRegisteredString(const char* name, setup::PathBuffer& value) {
  CReg& reg = *CReg::Instance();
  return reg.ReadString(HKEY_CURRENT_USER, kProductKey, name, value, sizeof value) ||
         reg.ReadString(HKEY_LOCAL_MACHINE, kProductKey, name, value, sizeof value);
}

// The product version of the client's version resource; none for a directory too
// long to name the client in a path buffer.
std::optional<setup::ProductVersion> ReadClientVersion(const char* directory) {
  setup::PathBuffer path;
  if (!setup::Compose(path, {directory, "\\", kClientFile})) return std::nullopt;
  setup::ProductVersion version;
  if (!ReadProductVersion(path, version.ms, version.ls)) return std::nullopt;
  return version;
}

std::string TrimmedDirectory(std::string directory) {
  while (!directory.empty() && directory.back() == '\\') directory.pop_back();
  return directory;
}

}  // namespace

bool TFSetup::CheckEarlierInstallation() {
  const bool update = kind == static_cast<std::uint32_t>(archive::SetupKind::Update);
  if (!update && kind != static_cast<std::uint32_t>(archive::SetupKind::Full)) return true;

  setup::EarlierFacts facts;
  facts.kind = kind;
  facts.package = {packageVersionMS, packageVersionLS};
  facts.required = {requiredVersionMS, requiredVersionLS};
  bool languageOfCurrentUser = false;
  facts.language = ReadRegisteredLanguage(languageOfCurrentUser);
  setup::PathBuffer installDir = {}, startMenuGroup = {};
  std::string clientPath;
  if (update) {
    facts.installDirRegistered = ReadRegisteredString("InstallDir", installDir);
    facts.startMenuGroupRegistered = ReadRegisteredString("StartMenuGroup", startMenuGroup);
    clientPath = std::string(installDir) + "\\" + kClientFile;
    // An update cut off is finished or undone first: the client read next is one
    // release's.
    if (facts.installDirRegistered) {
      const journal::ReplayOutcome replay =
          journal::ReplayPendingApply(TrimmedDirectory(installDir));
      // Over a release neither old nor new the update cannot know what it replaces.
      if (replay.failed)
        return Refuse(kMsgInstallFailed,
                      (std::string(Msg(kMsgInstallFailed)) + "\n" + replay.subject).c_str(),
                      Msg(kMsgError));
      facts.client = ReadClientVersion(installDir);
    }
  }

  const setup::EarlierOutcome outcome = setup::DecideEarlierInstallation(facts);
  // From here on, refusals included, the wizard speaks the registered language.
  if (outcome.language) CLang::SetLanguage(*outcome.language);
  if (outcome.verdict == setup::EarlierVerdict::Refuse) {
    if (outcome.text == setup::kClientPathText)
      return Refuse(outcome.text, clientPath.c_str(), Msg(outcome.caption));
    if (outcome.text == kMsgUpdateNeedsClientVersion)
      return Refuse(outcome.text,
                    setup::WrongClientVersionText(Msg(outcome.text), facts.required).c_str(),
                    Msg(outcome.caption));
    return Refuse(outcome.text, Msg(outcome.text), Msg(outcome.caption));
  }
  if (outcome.verdict == setup::EarlierVerdict::Adopt)
    AdoptEarlierInstallation(*outcome.language, installDir, startMenuGroup, languageOfCurrentUser);
  return true;
}

void TFSetup::AdoptEarlierInstallation(std::uint32_t language, const char* installDir,
                                       const char* startMenuGroup, bool currentUser) {
  adopted_ = true;
  box_language.SetItemIndex(static_cast<int>(language));
  Edit1.SetText(installDir);
  Edit2.SetText(startMenuGroup);
  // The update registers where the installation it updates was registered.
  (currentUser ? radio_current_user : radio_all_users).SetChecked(true);
  radio_current_user.SetEnabled(false);
  radio_all_users.SetEnabled(false);
  // The update brings no desktop icon of its own.
  CheckBox3.Hide();
  CheckBox3.SetChecked(false);
  // The captions in the registered language, and the free space of the adopted
  // directory's volume rather than the default one's.
  UpdateWizardTexts();
}
