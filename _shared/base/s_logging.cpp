#include "s_logging.h"

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>

namespace {

constexpr const char* kUnit = "_shared/base/s_logging";
constexpr int kHeaderLevel = 0;

std::unique_ptr<CLog> theLog;

// "HH:MM:SS"
std::string ClockText(const LogTime& time) {
  char text[16];
  FormatText(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return text;
}

// The C library's ctime layout without its line feed, with the day as two digits.
std::string CtimeText(const LogTime& time) {
  static constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* weekday = time.weekday >= 0 && time.weekday < 7 ? kWeekdays[time.weekday] : "???";
  const char* month = time.month >= 1 && time.month <= 12 ? kMonths[time.month - 1] : "???";
  char text[64];
  FormatText(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d", weekday, month, time.day, time.hour,
             time.minute, time.second, time.year);
  return text;
}

// The file is written as the C runtime's text mode would: every line feed as CR LF.
std::string WithCrLf(const char* line) {
  std::string bytes;
  for (const char* at = line; *at != '\0'; ++at) {
    if (*at == '\n') bytes += '\r';
    bytes += *at;
  }
  return bytes;
}

const char* OrEmpty(const char* text) {
  return text == nullptr ? "" : text;
}

}  // namespace

void DeriveProgramDirectory(const char* commandLine, char (&directory)[CLog::kDirectorySize]) {
  CStr::Clear(directory, sizeof directory, nullptr);
  if (commandLine == nullptr) return;
  std::string unquoted;
  for (const char* at = commandLine; *at != '\0'; ++at) {
    if (*at != '"') unquoted += *at;
  }
  const std::size_t backslash = unquoted.rfind('\\');
  if (backslash == std::string::npos) return;
  unquoted.resize(backslash + 1);
  CStr::Clear(directory, sizeof directory, unquoted.c_str());
}

CLog* CLog::Instance() {
  if (!theLog) theLog = std::make_unique<CLog>(SystemLogPlatform());
  return theLog.get();
}

void CLog::FreeInstance() {
  theLog.reset();
}

CLog::CLog(LogPlatform& platform) : platform_(platform) {
  DeriveProgramDirectory(platform_.CommandLine(), programDirectory);
}

void CLog::Open(int level, const char* fileName) {
  if (fileName == nullptr || std::char_traits<char>::length(fileName) >= sizeof logFileName) {
    CStr::Clear(logFileName, sizeof logFileName, nullptr);
    logLevel = -1;
    return;
  }
  CStr::Clear(logFileName, sizeof logFileName, fileName);
  logLevel = level;
  platform_.CreateEmpty(logFileName);
  WriteHeader();
}

void CLog::WriteHeader() {
  const std::string separator(78, '-');
  const LogTimeZone zone = platform_.TimeZone();
  LogEmptyLine(kHeaderLevel);
  Log(kHeaderLevel, kUnit, __LINE__, "%s", separator.c_str());
  Log(kHeaderLevel, kUnit, __LINE__, "--- logfile for application : %s",
      OrEmpty(platform_.CommandLine()));
  Log(kHeaderLevel, kUnit, __LINE__, "--- logfile reseted to      : %s", logFileName);
  Log(kHeaderLevel, kUnit, __LINE__, "--- logging started on      : %s",
      CtimeText(platform_.LocalTime()).c_str());
  Log(kHeaderLevel, kUnit, __LINE__, "--- (%ld %s / %i %s)", zone.secondsWest / 3600,
      OrEmpty(zone.standardName), zone.daylight, OrEmpty(zone.daylightName));
  Log(kHeaderLevel, kUnit, __LINE__, "%s", separator.c_str());
  LogEmptyLine(kHeaderLevel);
}

bool CLog::Passes(int level) const {
  return logLevel >= 0 && level <= logLevel && logFileName[0] != '\0';
}

void CLog::LogEmptyLine(int level) {
  if (Passes(level)) platform_.Append(logFileName, "\r\n");
}

void CLog::Log(int level, const char* /*sourceFile*/, int /*sourceLine*/, const char* format, ...) {
  if (!Passes(level)) return;
  if (format == nullptr || format[0] == '\0') {
    LogEmptyLine(level);
    return;
  }
  char prefix[kLineSize];
  FormatText(prefix, sizeof prefix,
             "%i : %s : %i : ", static_cast<std::int32_t>(platform_.TickCount()),
             ClockText(platform_.LocalTime()).c_str(), level);
  char text[kLineSize];
  std::va_list args;
  va_start(args, format);
  FormatTextV(text, sizeof text, format, args);
  va_end(args);

  // Prefix and text are cut so that the line feed and the terminator still fit.
  char line[kLineSize];
  CStr::Clear(line, sizeof line - 1, prefix);
  const std::size_t prefixLength = std::char_traits<char>::length(line);
  CStr::Clear(line + prefixLength, sizeof line - 1 - prefixLength, text);
  const std::size_t lineLength = std::char_traits<char>::length(line);
  line[lineLength] = '\n';
  line[lineLength + 1] = '\0';
  platform_.Append(logFileName, WithCrLf(line));
}
