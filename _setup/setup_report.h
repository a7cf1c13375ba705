// How this run meets its user, and the one way a refusal or failure reaches them: the
// wizard's box when somebody is there, else the log and the exit code.
#pragma once

#include <windows.h>

#include <cstdint>

#include "setup_switches.h"

namespace setup {

// Set once by the entry, before the first form.
void SetRunMode(RunMode mode);
RunMode CurrentRunMode();
inline bool Unattended() {
  return CurrentRunMode() != RunMode::Wizard;
}

// The box of text `textId` (its full wording in `text`). Unattended, the log gets the
// caption and text instead and the run's exit code becomes the one for `textId`; the
// first report decides it.
void Report(HWND owner, std::uint32_t textId, const char* text, const char* caption);
// Unattended: the code of the first report, or of the refusals the entry makes itself.
void SetExitCode(int code);
int ReportedExitCode();  // 0 while nothing was reported
// Whether anything was reported, in either mode: the wizard's creation then refused.
bool Reported();

}  // namespace setup
