#include "setup_report.h"

#include "exit_codes.h"
#include "message_box.h"
#include "s_logging.h"

namespace setup {
namespace {

constexpr char kUnit[] = "_setup/setup_report";
RunMode runMode = RunMode::Wizard;
int exitCode = kExitInstalled;
bool reported = false;

}  // namespace

void SetRunMode(RunMode mode) {
  runMode = mode;
}

RunMode CurrentRunMode() {
  return runMode;
}

void Report(HWND owner, std::uint32_t textId, const char* text, const char* caption) {
  reported = true;
  if (!Unattended()) {
    gui::ShowMessageBox(owner, text, caption, MB_OK);
    return;
  }
  const int code = ExitCodeForText(textId);
  CLog::Instance()->Log(1, kUnit, 30, "%s: %s (exit code %i)", caption != nullptr ? caption : "",
                        text != nullptr ? text : "", code);
  SetExitCode(code);
}

void SetExitCode(int code) {
  if (exitCode == kExitInstalled) exitCode = code;
}

int ReportedExitCode() {
  return exitCode;
}

bool Reported() {
  return reported;
}

}  // namespace setup
