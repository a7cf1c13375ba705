// Reading back what an installation left straight through the Windows API, not the code
// under test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace test_support {

struct RegValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::string bytes;  // as stored, a string's terminator included
};
RegValue ReadValue(HKEY root, const char* key, const char* name);
bool KeyExists(HKEY root, const char* key);
// The stored bytes of a REG_SZ (text and terminator) and of a REG_DWORD.
std::string Sz(const std::string& text);
std::string Dword(std::uint32_t value);

struct LinkInfo {
  std::string target, arguments, workingDirectory;
  int showCommand = 0;
};
// Through the shell's own link object; nullopt when there is no readable link.
std::optional<LinkInfo> ReadLink(const std::string& path);

struct FileTimes {
  std::uint64_t creation = 0, lastAccess = 0, lastWrite = 0;
};
std::optional<std::string> ReadContents(const std::string& path);
std::optional<FileTimes> ReadTimes(const std::string& path);
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);

}  // namespace test_support
