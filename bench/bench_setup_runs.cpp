#include "bench_setup_runs.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver.h"

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
      WaitForShownWizard(app);
      const auto elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start);
      app.GetProcess().Kill();
      if (round == 0) continue;
      std::printf("wizard_ms %zu %.1f\n", index, elapsed.count());
      std::fflush(stdout);
    }
  }
  return true;
}

bool InstallWithDefaults(const std::string& setup) {
  driver::App app = driver::App::Start(setup, "-debug");
  const driver::Window wizard = WaitForShownWizard(app);
  const driver::Window next = wizard.Child("Button1");
  next.Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  next.Click();
  next.Click();  // "Start!": the whole installation runs inside this click
  driver::WaitUntil([&] { return next.IsEnabled() || app.FindMessageBox().has_value(); },
                    "the end of the installation", kInstallTimeout);
  if (const auto box = app.FindMessageBox()) {
    std::printf("install failed: %s\n", box->Text().c_str());
    return false;
  }
  std::printf("install ok\n");
  app.GetProcess().Kill();
  return true;
}

bool WriteFilesLikeTheInstaller(const std::string& directory, int count, std::uint32_t size) {
  auto* data = static_cast<std::uint8_t*>(
      VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (data == nullptr) return false;
  for (std::uint32_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 31);
  CreateDirectoryA(directory.c_str(), nullptr);
  FILETIME time{};
  GetSystemTimeAsFileTime(&time);
  bool ok = true;
  const auto start = Clock::now();
  for (int i = 0; i < count && ok; ++i) {
    const std::string path = directory + "\\file" + std::to_string(i) + ".dat";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      ok = false;
      break;
    }
    DWORD written = 0;
    ok = WriteFile(file, data, size, &written, nullptr) && written == size;
    SetFileTime(file, &time, &time, &time);
    CloseHandle(file);
  }
  const std::chrono::duration<double> elapsed = Clock::now() - start;
  VirtualFree(data, 0, MEM_RELEASE);
  if (ok) std::printf("write_seconds %.3f\n", elapsed.count());
  return ok;
}

}  // namespace bench
