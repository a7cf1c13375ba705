// The program entry: decides on the log, shows the preparation window while the
// wizard is built, runs the message loop and releases the process-wide objects.
// The exit code is 0 in every case.
#include <windows.h>

#include <exception>

#include "application.h"
#include "command_line.h"
#include "s_logging.h"
#include "s_registry_win.h"
#include "s_safe_loading_win.h"
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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const bool dllsFromSystem32 = LoadDllsFromSystem32Only();
  const char* params = setup::CommandLineTail(GetCommandLineA());
  if (setup::IsDebugSwitch(params)) {
    const char* logFile =
        CStr::Instance()->Format("%s%s", CLog::Instance()->ProgramDirectory(), "setup.log");
    CLog::Instance()->Open(kLogLevel, logFile);
  }
  CLog::Instance()->Log(1, kUnit, 54, "starting setup, version %i, params: %s", kSetupVersion,
                        params);
  if (!dllsFromSystem32)
    CLog::Instance()->Log(1, kUnit, __LINE__, "SetDefaultDllDirectories failed or is missing");

  gui::Application& application = gui::Application::Instance();
  try {
    FSplash = &splash;
    splash.Create();
    splash.ShowForm();
    splash.Repaint();

    application.Initialize();
    application.SetTitle("Setup");

    FSetup = &wizard;
    wizard.Create();

    // Created once, also after a refusal, and reused for every opening.
    FSelectDirectory = &directoryDialog;
    directoryDialog.Create();

    splash.Destroy();
    FSplash = nullptr;

    application.Run();
  } catch (const std::exception& error) {
    application.ShowException(error);
  }

  CLog::Instance()->Log(1, kUnit, 79, "closing setup");
  CReg::FreeInstance();
  CLog::FreeInstance();
  CStr::FreeInstance();
  // The application destroys its forms last; the wizard's FormDestroy runs here.
  application.DestroyForms();
  return 0;
}
