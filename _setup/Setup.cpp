// The program entry: reads the switches, decides on the log, shows the preparation
// window while the wizard is built, then runs the wizard's message loop or, with /S,
// /VERYSILENT or /SILENT, the installation without questions, and releases the
// process-wide objects. The wizard's exit code is always 0; an unattended run's says
// how it ended (exit_codes.h).
#include <windows.h>

#include <exception>
#include <string>

#include "application.h"
#include "command_line.h"
#include "exit_codes.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "s_safe_loading_win.h"
#include "setup_report.h"
#include "setup_switches.h"
#include "u_directorydlg.h"
#include "u_setup.h"
#include "u_splash.h"

namespace {

constexpr char kUnit[] = "_setup/Setup";
constexpr int kSetupVersion = 1490;
constexpr int kLogLevel = 2;

TFSplash splash;
TFSetup wizard;
TFSelectDirectory directoryDialog;

void OpenLog(const setup::SetupSwitches& switches, const char* commandLine, const char* params) {
  // Without switches only the whole tail "-debug" turns the log on, as it always did.
  if (switches.any ? !switches.log : !setup::IsDebugSwitch(params)) return;
  // Beside the program: its directory from the program name alone, as a switch such as
  // /D= may hold backslashes of its own.
  char directory[CLog::kDirectorySize];
  DeriveProgramDirectory(std::string(commandLine, params).c_str(), directory);
  const char* logFile = !switches.logFile.empty()
                            ? switches.logFile.c_str()
                            : CStr::Instance()->Format("%s%s", directory, "setup.log");
  CLog::Instance()->Open(kLogLevel, logFile);
}

// Unattended, an exception that a window's handler lets escape ends in the log and
// makes the run a failed one.
void LogException(const char* message) {
  CLog::Instance()->Log(1, kUnit, 98, "exception: %s", message);
  setup::SetExitCode(setup::kExitInstallFailed);
}

// Builds the forms and runs the wizard or the unattended installation; true when an
// unattended run installed.
bool Run(const setup::SetupSwitches& switches) {
  const bool unattended = setup::Unattended();
  gui::Application& application = gui::Application::Instance();
  if (switches.mode == setup::RunMode::VerySilent) application.KeepHidden();
  if (unattended) application.SetExceptionSink(LogException);
  FSplash = &splash;
  splash.Create();
  if (switches.mode != setup::RunMode::VerySilent) {
    splash.ShowForm();
    splash.Repaint();
  }

  application.Initialize();
  application.SetTitle("Setup");

  FSetup = &wizard;
  wizard.Create();

  // Prepared once, also after a refusal; built at its first opening and reused.
  FSelectDirectory = &directoryDialog;
  directoryDialog.Prepare();

  splash.Destroy();
  FSplash = nullptr;

  if (!setup::Reported()) wizard.ApplySwitches(switches);
  if (!unattended) {
    application.Run();
    return false;
  }
  return !setup::Reported() && wizard.InstallUnattended();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const bool dllsFromSystem32 = LoadDllsFromSystem32Only();
  const char* commandLine = GetCommandLineA();
  const char* params = setup::CommandLineTail(commandLine);
  const setup::SetupSwitches switches = setup::ParseSetupSwitches(params);
  OpenLog(switches, commandLine, params);
  CLog::Instance()->Log(1, kUnit, 54, "starting setup, version %i, params: %s", kSetupVersion,
                        params);
  if (!dllsFromSystem32)
    CLog::Instance()->Log(1, kUnit, __LINE__, "SetDefaultDllDirectories failed or is missing");

  int exitCode = setup::kExitInstalled;
  gui::Application& application = gui::Application::Instance();
  if (switches.malformed) {
    // Refused before any window, whether or not the line asked for one.
    exitCode = setup::kExitMalformedCommandLine;
    CLog::Instance()->Log(1, kUnit, 105, "malformed switch %s (exit code %i)",
                          switches.problem.c_str(), exitCode);
  } else {
    setup::SetRunMode(switches.mode);
    bool installed = false;
    try {
      installed = Run(switches);
    } catch (const std::exception& error) {
      application.ShowException(error);
    }
    if (setup::Unattended() && !installed) {
      exitCode = setup::ReportedExitCode();
      if (exitCode == setup::kExitInstalled) exitCode = setup::kExitInstallFailed;
    }
  }

  CLog::Instance()->Log(1, kUnit, 79, "closing setup");
  CReg::FreeInstance();
  CLog::FreeInstance();
  CStr::FreeInstance();
  // The application destroys its forms last; the wizard's FormDestroy runs here.
  application.DestroyForms();
  return exitCode;
}
