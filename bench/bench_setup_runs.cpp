#include "bench_setup_runs.h"

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver.h"
#include "screenshot.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;
using driver::Milliseconds;

constexpr char kProductKey[] = "Software\\Tidemoor";
constexpr char kInstallDir[] = "C:\\Tidemoor";
// A 170 MB installation under Wine on a loaded machine takes a while.
constexpr Milliseconds kInstallTimeout{600000};
constexpr Milliseconds kStartTimeout{120000};

bool WriteValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool WriteString(HKEY key, const char* name, const char* text) {
  return WriteValue(key, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

// The wizard counts as there once its form is shown; polling finer than the
// driver's own waits keeps the measurement's grain small against the figure.
driver::Window WaitForShownWizard(const driver::App& app) {
  const auto deadline = Clock::now() + kStartTimeout;
  while (Clock::now() < deadline) {
    if (const auto form = app.FindForm("FSetup"); form && form->IsVisible()) return *form;
    if (app.FindMessageBox()) throw driver::DriverError("Setup.exe showed a message box");
    if (!app.GetProcess().IsRunning()) throw driver::DriverError("Setup.exe ended");
    Sleep(2);
  }
  throw driver::DriverError("the wizard did not appear");
}

}  // namespace

bool PrepareUpdate(const std::string& client) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD english = 1;
  const bool written = WriteValue(key, "Language", REG_DWORD, &english, sizeof english) &&
                       WriteString(key, "InstallDir", kInstallDir) &&
                       WriteString(key, "StartMenuGroup", "Tidemoor");
  RegCloseKey(key);
  if (!written) return false;
  CreateDirectoryA(kInstallDir, nullptr);
  const std::string target = std::string(kInstallDir) + "\\TDMClient.exe";
  return CopyFileA(client.c_str(), target.c_str(), FALSE) != FALSE;
}

bool TimeToWizard(const std::vector<std::string>& setups, int runs) {
  for (int round = 0; round <= runs; ++round) {
    for (std::size_t index = 0; index < setups.size(); ++index) {
      const auto start = Clock::now();
      driver::App app = driver::App::Start(setups[index]);
      const driver::Window wizard = WaitForShownWizard(app);
      const auto shown = std::chrono::duration<double, std::milli>(Clock::now() - start);
      // Work the wizard leaves for after its first paint delays the user's first click:
      // Next clicked at once shows the terms page only after it. The floor has no pages.
      double terms = -1;
      if (FindWindowExA(wizard.Handle(), nullptr, nullptr, nullptr) != nullptr) {
        wizard.Child("Button1").Click();
        if (!wizard.Child("TabSheet6").IsVisible())
          throw driver::DriverError("Next did not show the terms page");
        terms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      }
      app.GetProcess().Kill();
      if (round == 0) continue;
      std::printf("wizard_ms %zu %.1f %.1f\n", index, shown.count(), terms);
      std::fflush(stdout);
    }
  }
  return true;
}

bool InstallWithDefaults(const std::string& setup, const InstallOptions& options) {
  driver::App app = driver::App::Start(setup, options.debug ? "-debug" : "");
  const driver::Window wizard = WaitForShownWizard(app);
  const driver::Window next = wizard.Child("Button1");
  next.Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  next.Click();
  const driver::Window bar = wizard.Child("ProgressBar1");
  bool shot = options.screenshot.empty();
  const auto start = Clock::now();
  next.Click();  // "Start!": the whole installation runs inside this click
  driver::WaitUntil(
      [&] {
        DWORD_PTR position = 0, high = 0;
        if (!shot &&
            SendMessageTimeoutA(bar.Handle(), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000,
                                &position) != 0 &&
            SendMessageTimeoutA(bar.Handle(), PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 1000,
                                &high) != 0 &&
            high != 0 && position * 100 >= high * static_cast<DWORD_PTR>(options.shotAt))
          shot = shot::SaveScreenshot(options.screenshot);
        return next.IsEnabled() || app.FindMessageBox().has_value();
      },
      "the end of the installation", kInstallTimeout);
  const std::chrono::duration<double, std::milli> elapsed = Clock::now() - start;
  if (const auto box = app.FindMessageBox()) {
    std::printf("install failed: %s\n", box->Text().c_str());
    return false;
  }
  std::printf("install ok\nstart_to_end_ms %.0f\n", elapsed.count());
  app.GetProcess().Kill();
  return true;
}

}  // namespace bench
