// What the log needs from the operating system, behind a small interface so that the
// portable formatting in s_logging.cpp can be tested without Windows.
#pragma once

#include <cstdint>
#include <string_view>

struct LogTime {
  int year = 1970;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int weekday = 4;  // 0 = Sunday
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The C runtime's time-zone setup after tzset.
struct LogTimeZone {
  long secondsWest = 0;
  int daylight = 0;
  const char* standardName = "";
  const char* daylightName = "";
};

class LogPlatform {
 public:
  virtual ~LogPlatform() = default;

  virtual std::uint32_t TickCount() = 0;  // milliseconds since system start
  virtual LogTime LocalTime() = 0;
  virtual LogTimeZone TimeZone() = 0;
  virtual const char* CommandLine() = 0;  // the process's full command line, never null

  // Creates the file empty, or empties it; failures are ignored.
  virtual void CreateEmpty(const char* fileName) = 0;
  // Appends the bytes at the current end of the file, creating it if missing, shared
  // for reading and writing while open; false when it cannot be opened or written.
  virtual bool Append(const char* fileName, std::string_view bytes) = 0;
};

// The platform CLog::Instance uses: the Windows half defines it; a native test binary
// defines its own.
LogPlatform& SystemLogPlatform();
