// The log's Windows half: tick count, local time, time zone, command line and the
// file itself, opened, written and closed again for every line.
#include <windows.h>

#include <ctime>

#include "s_handle_win.h"
#include "s_log_platform.h"

namespace {

// Read and write sharing, so that a viewer can follow the file while a line is written.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;

class WindowsLogPlatform : public LogPlatform {
 public:
  std::uint32_t TickCount() override { return GetTickCount(); }

  LogTime LocalTime() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_s(&local, &now) != 0) return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
  }

  LogTimeZone TimeZone() override {
    _tzset();
    LogTimeZone zone;
    zone.secondsWest = _timezone;
    zone.daylight = _daylight;
    zone.standardName = _tzname[0];
    zone.daylightName = _tzname[1];
    return zone;
  }

  const char* CommandLine() override {
    const char* line = GetCommandLineA();
    return line == nullptr ? "" : line;
  }

  void CreateEmpty(const char* fileName) override {
    const handles::Handle file(CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, kShareAll,
                                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  bool Append(const char* fileName, std::string_view bytes) override {
    // FILE_APPEND_DATA alone puts every write at the current end of the file.
    const handles::Handle file(CreateFileA(fileName, FILE_APPEND_DATA, kShareAll, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const auto size = static_cast<DWORD>(bytes.size());
    return WriteFile(file.get(), bytes.data(), size, &written, nullptr) && written == size;
  }
};

// Constant-initialized at namespace scope: no guard, whichever thread logs first.
WindowsLogPlatform thePlatform;

}  // namespace

LogPlatform& SystemLogPlatform() {
  return thePlatform;
}
