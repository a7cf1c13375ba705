// uninstall.exe. Started from the installation directory it cannot remove itself, so
// it copies itself to the temporary folder, starts the copy with the installation's
// path and ends; with /S it waits for the copy and passes on its exit code. The copy
// waits for the original to end, does the work and is removed at the next start of
// Windows.
#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "application.h"
#include "command_line.h"
#include "command_options.h"
#include "message_box.h"
#include "removal_plan.h"
#include "s_lang.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "s_safe_loading_win.h"
#include "u_uninstall.h"

namespace {

constexpr char kUnit[] = "_uninstall/Uninstall";
constexpr int kLogLevel = 2;
enum ExitCode : int { kDone = 0, kNotAllRemoved = 1, kNotPrepared = 2, kNotFound = 3, kUsage = 4 };

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};

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

void ShowError(std::uint32_t id, const std::string& detail = {}) {
  const std::string text = detail.empty() ? Msg(id) : std::string(Msg(id)) + "\n" + detail;
  gui::ShowMessageBox(nullptr, text.c_str(), Msg(kMsgError), MB_OK);
}

// The registered language when there is one, else the user's.
void ChooseLanguage() {
  DWORD language = 0;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    if (CReg::Instance()->ReadDWord(root, "Software\\Tidemoor", "Language", language)) {
      CLang::SetLanguage(language == 0 ? kLanguageGerman : kLanguageEnglish);
      return;
    }
  CLang::SetLanguage(PRIMARYLANGID(GetUserDefaultLangID()) == LANG_GERMAN ? kLanguageGerman
                                                                          : kLanguageEnglish);
}

int StartCopy(const uninstall::CommandOptions& options) {
  const std::string own = OwnPath();
  char temp[MAX_PATH] = {};
  const DWORD tempLength = GetTempPathA(sizeof temp, temp);
  const std::string copy =
      std::string(temp) + "tdm-uninstall-" + std::to_string(GetCurrentProcessId()) + ".exe";
  HANDLE self = nullptr;
  bool started = false;
  PROCESS_INFORMATION process{};
  if (!own.empty() && tempLength > 0 && tempLength < sizeof temp &&
      CopyFileA(own.c_str(), copy.c_str(), FALSE) &&
      DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                      SYNCHRONIZE, TRUE, 0)) {
    // With /S the original waits for the copy, so the copy must not wait for it.
    const std::uint64_t waitFor = options.silent ? 0 : reinterpret_cast<std::uintptr_t>(self);
    std::string commandLine =
        "\"" + copy + "\" " + uninstall::CopyCommandTail(options, waitFor, Folder(own));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started = CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             temp, &startup, &process) != 0;
    CloseHandle(self);
  }
  if (!started) {
    DeleteFileA(copy.c_str());
    if (!options.silent) ShowError(kMsgUninstallNotPrepared);
    return kNotPrepared;
  }
  std::unique_ptr<void, HandleCloser> thread(process.hThread), child(process.hProcess);
  if (!options.silent) return kDone;
  DWORD code = kNotPrepared;
  WaitForSingleObject(child.get(), INFINITE);
  GetExitCodeProcess(child.get(), &code);
  return static_cast<int>(code);
}

class SilentObserver final : public uninstall::RemovalObserver {
 public:
  void Status(const char*) override {}
  void Progress(std::uint32_t, std::uint32_t) override {}
  void Failed(const std::string& path) override {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s %s", Msg(108), path.c_str());
  }
};

int RunCopy(const uninstall::CommandOptions& options) {
  if (options.originalProcess != 0) {
    std::unique_ptr<void, HandleCloser> original(
        reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(options.originalProcess)));
    WaitForSingleObject(original.get(), INFINITE);
  }
  uninstall::Installation installation;
  if (!uninstall::FindInstallation(options.installDir, installation)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "no installation registered for %s",
                          options.installDir.c_str());
    if (!options.silent) ShowError(106, options.installDir);
    return kNotFound;
  }
  CLang::SetLanguage(installation.language);
  const std::string own = OwnPath();
  const std::string registered = installation.dir + "\\" + uninstall::kUninstallerName;
  bool ok = false;
  if (options.silent) {
    // The original still runs and waits for us: a running program can be moved
    // out of the way, though not deleted.
    const std::string aside = own + ".original";
    if (MoveFileExA(registered.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING))
      MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    SilentObserver observer;
    ok = uninstall::RemoveInstallation(installation, false, observer);
  } else {
    gui::Application& application = gui::Application::Instance();
    application.Initialize();
    application.SetTitle(Msg(100));
    TFUninstall form(installation);
    form.Create();
    application.Run();
    ok = form.succeeded();
    application.DestroyForms();
  }
  // The entry stays after a failure; so must the program it starts.
  if (!ok && GetFileAttributesA(registered.c_str()) == INVALID_FILE_ATTRIBUTES)
    CopyFileA(own.c_str(), registered.c_str(), TRUE);
  return ok ? kDone : kNotAllRemoved;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const bool dllsFromSystem32 = LoadDllsFromSystem32Only();
  const char* tail = setup::CommandLineTail(GetCommandLineA());
  uninstall::CommandOptions options;
  const bool understood = uninstall::ParseCommandOptions(tail, options);
  ChooseLanguage();
  if (!understood) {
    ShowError(kMsgUninstallNotPrepared, tail);
    return kUsage;
  }
  if (!options.isCopy) return StartCopy(options);
  if (options.debug) {
    // In the temporary folder beside the copy: a log in the installation directory
    // would keep it from being removed.
    char temp[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length > 0 && length < sizeof temp)
      CLog::Instance()->Open(kLogLevel, CStr::Instance()->Format("%suninstall.log", temp));
  }
  CLog::Instance()->Log(1, kUnit, __LINE__, "starting uninstall, params: %s", tail);
  if (!dllsFromSystem32)
    CLog::Instance()->Log(1, kUnit, __LINE__, "SetDefaultDllDirectories failed or is missing");
  int code = kNotAllRemoved;
  try {
    code = RunCopy(options);
  } catch (const std::exception& error) {
    gui::Application::Instance().ShowException(error);
  }
  CLog::Instance()->Log(1, kUnit, __LINE__, "closing uninstall, exit code %i", code);
  const std::string own = OwnPath();
  MoveFileExA(own.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  CReg::FreeInstance();
  CLog::FreeInstance();
  CStr::FreeInstance();
  return code;
}
