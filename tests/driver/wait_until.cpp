#include "wait_until.h"

#include <windows.h>

#include <cstdlib>
#include <thread>

#include "screenshot.h"

namespace driver {

namespace {

constexpr Milliseconds kPollInterval{20};

// With TDM_E2E_SCREENSHOTS naming a directory, a timed-out wait leaves a picture of
// the screen there, which usually shows at once which box or page was in the way.
std::string ScreenshotNote() {
  const char* directory = std::getenv("TDM_E2E_SCREENSHOTS");
  if (directory == nullptr || *directory == '\0') return {};
  static int count = 0;
  const std::string path = std::string(directory) + "\\timeout-" +
                           std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count) +
                           ".bmp";
  return SaveScreenshot(path) ? " (screen saved to " + path + ")" : std::string();
}

}  // namespace

void PumpOwnMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void WaitUntil(const std::function<bool()>& done, const Description& what, Milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpOwnMessages();
    if (done()) return;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollInterval);
  }
  throw DriverError("timed out after " + std::to_string(timeout.count()) + " ms waiting for " +
                    what() + ScreenshotNote());
}

void Pause(Milliseconds duration) {
  const auto until = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < until) {
    PumpOwnMessages();
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace driver
