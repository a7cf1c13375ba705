// updater.exe: brings an installation to the newest release of the feed it carries.
// Without /S it shows its window; with /S it checks and applies unattended and ends
// with an exit code (ExitCode). An all-users installation is applied by an elevated
// child of this program (/apply), never by the window's own process.
#include <windows.h>

#include <exception>
#include <string>

#include "application.h"
#include "command_line.h"
#include "elevated_apply_win.h"
#include "installation_win.h"
#include "message_box.h"
#include "replay_run_win.h"
#include "s_folder_rights_win.h"
#include "s_handle_win.h"
#include "s_lang.h"
#include "s_lang_ids.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "s_safe_loading_win.h"
#include "s_self_copy_win.h"
#include "u_updater.h"
#include "update_files_win.h"
#include "update_session_win.h"
#include "updater_command.h"
#include "updater_rights.h"
#include "updater_msg_ids.h"

namespace {

using updater::Finish;

constexpr char kUnit[] = "_updater/Updater";
constexpr int kLogLevel = 2;

const char* Msg(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

// A silent run's lines go to the log, which the session writes anyway.
class LogObserver final : public updater::SessionObserver {
 public:
  void Line(const std::string&) override {}
  void Server(const std::string& name) override {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s", Msg(kMsgUpdateServer), name.c_str());
  }
  void UpdateSize(const std::string& text) override {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s", Msg(kMsgUpdateSize), text.c_str());
  }
  void Progress(std::uint64_t, std::uint64_t) override {}
};

void OpenLog(const updater::UpdaterCommand& command) {
  // In the temporary folder, as the uninstaller keeps its own: the installation
  // directory is what the run changes.
  char temp[MAX_PATH] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  // Each process of a run its own: the elevated apply, and the successor after an own update.
  const char* name = command.apply || command.selfUpdate ? "updater-elevated.log"
                     : command.continued                 ? "updater-continued.log"
                                                         : "updater.log";
  if (length > 0 && length < sizeof temp)
    CLog::Instance()->Open(kLogLevel, (std::string(temp) + name).c_str());
}

// The updater this one replaced, renamed aside in this folder at its own update. Its
// image cannot be deleted while it runs: a successor started from its window waits a
// few seconds for it to close. Unattended the predecessor waits for the successor, so
// there the file goes at the next start.
void RemoveReplacedUpdater(bool predecessorClosing) {
  const std::string aside =
      updater::FolderOf(updater::OwnPath()) + "\\" + updater::kReplacedUpdaterName;
  for (int attempt = 0;; ++attempt) {
    if (DeleteFileA(aside.c_str())) {
      CLog::Instance()->Log(1, kUnit, __LINE__, "removed %s", aside.c_str());
      return;
    }
    const DWORD error = GetLastError();
    if (!predecessorClosing || attempt == 100 ||
        (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
      return;
    Sleep(50);
  }
}

bool FindAfterReplay(updater::Installation& installation, bool machineOnly) {
  if (!updater::FindInstallation(installation, machineOnly)) return false;
  const journal::ReplayOutcome replay = journal::ReplayPendingApply(installation.directory);
  if (replay.ran) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "an interrupted apply was %s%s",
                          replay.failed ? "not finished: " : "finished or undone",
                          replay.failed ? "it runs again at the next start" : "");
    // The client may be another release now.
    return updater::FindInstallation(installation, machineOnly);
  }
  return true;
}

int RunSilent(const updater::Installation& installation, const updater::UpdaterCommand& command,
              bool elevated) {
  LogObserver observer;
  updater::UpdateSession session(installation, observer, elevated);
  if (command.apply) return updater::ExitCode(session.ApplyFrom(command.downloads).finish);
  if (command.selfUpdate)
    return updater::ExitCode(session.ReplaceSelfFrom(command.downloads).finish);
  updater::SessionResult result = session.CheckAndDownload();
  if (result.restartSelf) {
    // The successor goes on from the start, unattended as this one was.
    std::string tail = "/S /continue";
    if (command.debug) tail += " -debug";
    const std::string own = updater::OwnPath();
    std::string line = "\"" + own + "\" " + tail;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(own.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        updater::FolderOf(own).c_str(), &startup, &process))
      return updater::ExitCode(Finish::kFailed);
    const handles::Process child(process);
    WaitForSingleObject(child.process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.process.get(), &code);
    return static_cast<int>(code);
  }
  if (result.readyToApply) result = session.ApplyHere();
  return updater::ExitCode(result.finish);
}

int RunWindow(const updater::Installation& installation, const updater::UpdaterCommand& command,
              bool elevated) {
  gui::Application& application = gui::Application::Instance();
  application.Initialize();
  application.SetTitle("Tidemoor Updater");
  TFUpdater form(installation, command, elevated);
  form.Create();
  application.Run();
  application.DestroyForms();
  return 0;
}

int Run(const updater::UpdaterCommand& command) {
  updater::Installation installation;
  // The elevated child works out its installation from the machine's key alone.
  const bool child = command.apply || command.selfUpdate;
  if (!FindAfterReplay(installation, child)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s", Msg(kMsgInstallDirectoryUnknown));
    if (!command.silent)
      gui::ShowMessageBox(nullptr, Msg(kMsgInstallDirectoryUnknown), Msg(kMsgError), MB_OK);
    return updater::ExitCode(Finish::kFailed);
  }
  CLang::SetLanguage(installation.language);
  CLog::Instance()->Log(1, kUnit, __LINE__, "%s%u.%u (%s), %s%s", Msg(kMsgInstalledClientVersion),
                        installation.version.ms, installation.version.ls,
                        installation.versionKnown ? "read" : "unreadable",
                        installation.directory.c_str(),
                        installation.allUsers ? ", for all users" : "");
  const bool elevated = self_copy::RunsElevated();
  // Only the apply needs the machine's rights; unattended, nobody could answer the prompt.
  if (updater::DecideRights(installation.allUsers, elevated, command.silent, child) ==
      updater::Rights::kRefuse) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s", Msg(kMsgNeedAllUsersRights));
    return updater::ExitCode(Finish::kNeedsRights);
  }
  // Elevated, only the program administrators alone can change may act.
  if (child && !updater::ChildRunsFromInstallation(updater::FolderOf(updater::OwnPath()),
                                                   installation.directory)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s is not the installation's own updater.exe",
                          updater::OwnPath().c_str());
    return updater::ExitCode(Finish::kNeedsRights);
  }
  // With the machine's rights, an installation whose folder others may change is changed
  // only once it is protected, which is done only for folders an earlier Setup made.
  if (installation.allUsers && elevated &&
      !folder_rights::SecureInstallationFolders(installation.directory).safe) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s", Msg(kMsgFolderReinstall));
    if (!command.silent)
      gui::ShowMessageBox(nullptr, Msg(kMsgFolderReinstall), Msg(kMsgError), MB_OK);
    return updater::ExitCode(Finish::kFolderUnprotected);
  }
  if (command.silent || child) return RunSilent(installation, command, elevated);
  return RunWindow(installation, command, elevated);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const bool dllsFromSystem32 = LoadDllsFromSystem32Only();
  const char* tail = setup::CommandLineTail(GetCommandLineA());
  updater::UpdaterCommand command;
  const bool understood = updater::ParseUpdaterCommand(tail, command);
  CLang::SetLanguage(PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN ? kLanguageGerman
                                                                              : kLanguageEnglish);
  if (command.debug) OpenLog(command);
  CLog::Instance()->Log(1, kUnit, __LINE__, "starting updater, params: %s", tail);
  if (!dllsFromSystem32)
    CLog::Instance()->Log(1, kUnit, __LINE__, "SetDefaultDllDirectories failed or is missing");
  RemoveReplacedUpdater(understood && command.continued && !command.silent);
  int code = updater::ExitCode(Finish::kFailed);
  try {
    if (understood)
      code = Run(command);
    else
      CLog::Instance()->Log(1, kUnit, __LINE__, "a command line it does not know: %s", tail);
  } catch (const std::exception& error) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s%s", Msg(kMsgUnexpectedException), error.what());
    if (!command.silent) gui::Application::Instance().ShowException(error);
  }
  CLog::Instance()->Log(1, kUnit, __LINE__, "closing updater, exit code %i", code);
  CReg::FreeInstance();
  CLog::FreeInstance();
  CStr::FreeInstance();
  return code;
}
