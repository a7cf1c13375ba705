// uninstall.exe. Started from the installation directory it cannot remove itself, so
// it copies itself into a new folder of its own, starts the copy with the
// installation's path and ends; with /S it waits for the copy and passes on its exit
// code, and the copy leaves the original's file to a finisher that removes it once
// the original has ended. An all-users installation is removed only with the
// machine's rights: the original asks for them by restarting itself, never the copy.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>

#include "application.h"
#include "command_line.h"
#include "command_options.h"
#include "message_box.h"
#include "removal_plan.h"
#include "replay_run_win.h"
#include "s_folder_rights_win.h"
#include "s_handle_win.h"
#include "s_lang.h"
#include "s_logging.h"
#include "s_product_lock_win.h"
#include "s_registry_win.h"
#include "s_safe_loading_win.h"
#include "s_self_copy_win.h"
#include "u_uninstall.h"
#include "uninstall_decisions.h"
#include "uninstall_registry_win.h"

namespace {

using uninstall::CommandOptions;
using uninstall::Role;

constexpr char kUnit[] = "_uninstall/Uninstall";
constexpr char kCopyPrefix[] = "tdm-uninstall";
constexpr int kLogLevel = 2;
enum ExitCode : int {
  kDone = 0,
  kNotAllRemoved = 1,  // a failure, or everything refused for a shared folder
  kNotPrepared = 2,    // no copy, or another program of the product holds the lock
  kNotFound = 3,
  kUsage = 4,
  kNeedsRights = 5,  // /S of an all-users installation without the machine's rights
};

using handles::Handle;

std::string OwnPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

const char* Msg(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

void Log(int line, const std::string& text) {
  CLog::Instance()->Log(1, kUnit, line, "%s", text.c_str());
}

// Logged always; shown only without /S.
void Report(const CommandOptions& options, std::uint32_t id, const std::string& detail = {}) {
  Log(__LINE__, std::string(Msg(id)) + " " + detail);
  if (options.silent) return;
  const std::string text = detail.empty() ? Msg(id) : std::string(Msg(id)) + "\n" + detail;
  gui::ShowMessageBox(nullptr, text.c_str(), Msg(kMsgError), MB_OK);
}

// The registered language when there is one, else the user's.
void ChooseLanguage() {
  DWORD language = 0;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    if (CReg::Instance()->ReadDWord(root, installation::kProductKey, "Language", language)) {
      CLang::SetLanguage(language == 0 ? kLanguageGerman : kLanguageEnglish);
      return;
    }
  CLang::SetLanguage(PRIMARYLANGID(GetUserDefaultLangID()) == LANG_GERMAN ? kLanguageGerman
                                                                          : kLanguageEnglish);
}

// An all-users installation; or a current-user one whose uninstall entry Setup could
// write under the machine's key.
uninstall::MachineNeed NeedOf(const uninstall::Installation& installation) {
  if (installation.root == HKEY_LOCAL_MACHINE) return uninstall::MachineNeed::kAllUsers;
  return uninstall::UninstallEntryOfMachine(installation.dir) ? uninstall::MachineNeed::kEntry
                                                              : uninstall::MachineNeed::kNone;
}

bool StartProcess(const std::string& program, const std::string& tail,
                  PROCESS_INFORMATION& process) {
  std::string commandLine = "\"" + program + "\" " + tail;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        Folder(program).c_str(), &startup, &process) != 0;
}

// The original asks for the machine's rights by starting itself again, from its own
// folder, which only those rights can change.
int RestartElevated(const CommandOptions& options, const std::string& own) {
  const std::string parameters = std::string("/elevated") + (options.debug ? " -debug" : "");
  const std::string folder = Folder(own);
  Log(__LINE__, std::string("restarting with the verb ") + uninstall::kElevationVerb);
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = uninstall::kElevationVerb;
  execute.lpFile = own.c_str();
  execute.lpParameters = parameters.c_str();
  execute.lpDirectory = folder.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExA(&execute)) return kDone;
  // Declined at the prompt: the player said no, nothing to report.
  if (GetLastError() == ERROR_CANCELLED) return kNotPrepared;
  Report(options, kMsgUninstallNotPrepared);
  return kNotPrepared;
}

int RunOriginal(const CommandOptions& options) {
  const bool elevated = self_copy::RunsElevated();
  self_copy::RemoveEarlierCopies(kCopyPrefix, elevated);
  const std::string own = OwnPath();
  uninstall::Installation installation;
  if (own.empty() || !uninstall::FindInstallation(Folder(own), installation)) {
    Report(options, 106, Folder(own));
    return kNotFound;
  }
  const uninstall::MachineNeed need = NeedOf(installation);
  // Judged only when a prompt would start this program with the machine's rights.
  const bool folderSafe = need != uninstall::MachineNeed::kAllUsers || elevated || options.silent ||
                          options.restarted ||
                          folder_rights::CheckFolders(installation.dir, true).safe;
  switch (uninstall::DecideElevation(need, elevated, options.silent, false, options.restarted,
                                     folderSafe)) {
    case uninstall::Elevation::Proceed:
    case uninstall::Elevation::EntryByAdministrator:
      break;
    case uninstall::Elevation::Restart:
      return RestartElevated(options, own);
    case uninstall::Elevation::RefuseFolder:
      Report(options, kMsgFolderStartAsAdministrator, installation.dir);
      return kNeedsRights;
    case uninstall::Elevation::Refuse:
      Log(__LINE__, "needs the machine's rights");
      Report(options, kMsgUninstallNotPrepared);
      return kNeedsRights;
  }
  const std::string copy =
      self_copy::MakeSelfCopy(kCopyPrefix, uninstall::kUninstallerName, elevated);
  Handle self;
  PROCESS_INFORMATION process{};
  const bool started =
      !copy.empty() &&
      DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.put(),
                      SYNCHRONIZE, TRUE, 0) &&
      StartProcess(copy,
                   uninstall::CopyCommandTail(options, reinterpret_cast<std::uintptr_t>(self.get()),
                                              Folder(own)),
                   process);
  self.reset();  // the copy holds its own, inherited
  if (!started) {
    if (!copy.empty() && DeleteFileA(copy.c_str())) RemoveDirectoryA(Folder(copy).c_str());
    Report(options, kMsgUninstallNotPrepared);
    return kNotPrepared;
  }
  const handles::Process copyRun(process);
  if (!options.silent) return kDone;
  DWORD code = kNotPrepared;
  WaitForSingleObject(copyRun.process.get(), INFINITE);
  GetExitCodeProcess(copyRun.process.get(), &code);
  return static_cast<int>(code);
}

class SilentObserver final : public uninstall::RemovalObserver {
 public:
  void Status(const char*) override {}
  void Progress(std::uint32_t, std::uint32_t) override {}
  void Failed(const std::string& what, std::uint32_t id) override {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s", Msg(id), what.c_str());
  }
};

int RunCopy(const CommandOptions& options) {
  Handle original(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(options.originalProcess)));
  // With /S the original waits for us, so we must not wait for it.
  if (!options.silent && original) WaitForSingleObject(original.get(), INFINITE);
  uninstall::Installation installation;
  if (!uninstall::FindInstallation(options.installDir, installation)) {
    Report(options, 106, options.installDir);
    return kNotFound;
  }
  CLang::SetLanguage(installation.language);
  const uninstall::Elevation elevation = uninstall::DecideElevation(
      NeedOf(installation), self_copy::RunsElevated(), options.silent, true, false, false);
  installation.entryByAdministrator = elevation == uninstall::Elevation::EntryByAdministrator;
  if (elevation != uninstall::Elevation::Proceed && !installation.entryByAdministrator) {
    Log(__LINE__, "needs the machine's rights");
    Report(options, kMsgUninstallNotPrepared);
    return kNeedsRights;
  }
  CProductLock lock;
  if (!lock.TryAcquire(installation.dir)) {
    Log(__LINE__, "another program of the product is changing the installation");
    Report(options, kMsgUninstallNotPrepared);
    return kNotPrepared;
  }
  // An update cut off is finished or undone before the lists are read; over one that
  // cannot be, the lists may name either release's files, so nothing is removed.
  if (const journal::ReplayOutcome replay = journal::ReplayPendingApply(installation.dir);
      replay.failed) {
    Report(options, kMsgUninstallNotPrepared, replay.subject);
    return kNotAllRemoved;
  }
  if (!options.silent) {
    gui::Application& application = gui::Application::Instance();
    application.Initialize();
    application.SetTitle(Msg(100));
    TFUninstall form(installation, lock);
    form.Create();
    application.Run();
    const bool ok = form.succeeded();
    application.DestroyForms();
    return ok ? kDone : kNotAllRemoved;
  }
  SilentObserver observer;
  const uninstall::RemovalOutcome outcome =
      uninstall::RemoveInstallation(installation, {false, true}, observer);
  if (!outcome.ok) return kNotAllRemoved;
  // The original's own file goes once it has ended, by a process that outlives it.
  PROCESS_INFORMATION process{};
  if (!original ||
      !StartProcess(OwnPath(),
                    uninstall::FinisherCommandTail(options, options.originalProcess,
                                                   std::max(1u, outcome.createdLevels)),
                    process)) {
    Log(__LINE__, "cannot start the finisher");
    return kNotAllRemoved;
  }
  const handles::Process finisher(process);  // it runs on alone
  return kDone;
}

int RunFinisher(const CommandOptions& options) {
  Handle original(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(options.originalProcess)));
  WaitForSingleObject(original.get(), INFINITE);
  // A Setup that started meanwhile owns the folder now.
  CProductLock lock;
  if (!lock.TryAcquire(options.installDir)) return kNotPrepared;
  return uninstall::RemoveUninstallerAndFolders(options.installDir, options.levels, lock)
             ? kDone
             : kNotAllRemoved;
}

void OpenLog(const CommandOptions& options) {
  // In the temporary folder: a log in the installation directory would keep it from
  // being removed. Each process of a run its own, the copy's is uninstall.log.
  char temp[MAX_PATH] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  const char* names[] = {"uninstall-start.log", "uninstall.log", "uninstall-finish.log"};
  const char* name =
      options.restarted ? "uninstall-elevated.log" : names[static_cast<int>(options.role)];
  if (length > 0 && length < sizeof temp)
    CLog::Instance()->Open(kLogLevel, (std::string(temp) + name).c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const bool dllsFromSystem32 = LoadDllsFromSystem32Only();
  const char* tail = setup::CommandLineTail(GetCommandLineA());
  CommandOptions options;
  const bool understood = uninstall::ParseCommandOptions(tail, options);
  ChooseLanguage();
  if (options.debug) OpenLog(options);
  CLog::Instance()->Log(1, kUnit, __LINE__, "starting uninstall, params: %s", tail);
  if (!dllsFromSystem32)
    CLog::Instance()->Log(1, kUnit, __LINE__, "SetDefaultDllDirectories failed or is missing");
  int code = kUsage;
  try {
    if (!understood)
      Report(options, kMsgUninstallNotPrepared, tail);
    else if (options.role == Role::Original)
      code = RunOriginal(options);
    else if (options.role == Role::Copy)
      code = RunCopy(options);
    else
      code = RunFinisher(options);
  } catch (const std::exception& error) {
    code = kNotAllRemoved;
    Log(__LINE__, std::string("exception: ") + error.what());
    if (!options.silent) gui::Application::Instance().ShowException(error);
  }
  CLog::Instance()->Log(1, kUnit, __LINE__, "closing uninstall, exit code %i", code);
  if (understood && options.role == Role::Copy && !self_copy::ScheduleRemoval(OwnPath()))
    Log(__LINE__, "the copy stays until the next run removes it");
  CReg::FreeInstance();
  CLog::FreeInstance();
  CStr::FreeInstance();
  return code;
}
