// CLog, the diagnostic log, and CStr, the small formatting scratch object the entry
// uses to build the log's file name. Both are process-wide single objects.
#pragma once

#include <cstddef>

#include "s_format.h"
#include "s_log_platform.h"

class CStr {
 public:
  static constexpr std::size_t kBufferSize = 256;

  static CStr* Instance();
  static void FreeInstance();

  // Formats into the one buffer, cut to 255 characters, and returns it; the next call
  // overwrites it.
  const char* Format(const char* format, ...) TDM_PRINTF_LIKE(2, 3);

  // -1 for a null or empty text or when the character is absent; else the index of
  // its first occurrence, or of its last one when `last` is set.
  static int FindChar(const char* text, char character, bool last);
  // Removes `count` characters at `position` in place, fewer when the text ends first.
  static void Cut(char* text, int position, int count);
  // Zeroes `size` bytes of the buffer, then copies at most size - 1 characters of
  // `source` (if any) into it.
  static void Clear(char* buffer, std::size_t size, const char* source);

 private:
  char buffer_[kBufferSize] = {};
};

class CLog {
 public:
  // A whole Windows path: the uninstaller's log lies in a temporary folder of any depth.
  static constexpr std::size_t kFileNameSize = 260;
  static constexpr std::size_t kDirectorySize = 256;
  static constexpr std::size_t kLineSize = 2048;

  static CLog* Instance();
  static void FreeInstance();

  // Off, with `programDirectory` taken from the platform's command line.
  explicit CLog(LogPlatform& platform);
  CLog(const CLog&) = delete;
  CLog& operator=(const CLog&) = delete;

  // Empties the file, turns logging on at `level` and writes the header. A name that
  // does not fit `logFileName` leaves the log off: a cut name would empty another file.
  void Open(int level, const char* fileName);
  // Writes one line when `level` <= `logLevel`; the source position only identifies
  // the call site and is not written.
  void Log(int level, const char* sourceFile, int sourceLine, const char* format, ...)
      TDM_PRINTF_LIKE(5, 6);

  const char* LogFileName() const { return logFileName; }
  int LogLevel() const { return logLevel; }
  // The program's directory with its trailing backslash, or empty.
  const char* ProgramDirectory() const { return programDirectory; }

 private:
  bool Passes(int level) const;
  void LogEmptyLine(int level);
  void WriteHeader();

  LogPlatform& platform_;
  char logFileName[kFileNameSize] = {};
  int logLevel = -1;
  char programDirectory[kDirectorySize] = {};
};

// The program directory from a full command line: quotes removed, cut after the last
// backslash, empty without one. A directory too long for the field fills it without
// its final backslash, so that no log file name built from it fits CLog's name field.
void DeriveProgramDirectory(const char* commandLine, char (&directory)[CLog::kDirectorySize]);
