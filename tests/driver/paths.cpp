#include "paths.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "wait_until.h"

namespace driver {

std::string WinePath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string converted = "Z:" + path;
  for (char& c : converted)
    if (c == '/') c = '\\';
  return converted;
}

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of('\\') + 1);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

ScratchDirectory::ScratchDirectory(const std::string& prefix) {
  static int count = 0;
  for (;;) {
    path_ = "C:\\" + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++count);
    if (CreateDirectoryA(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
      throw DriverError("cannot create " + path_ + ": error " + std::to_string(GetLastError()));
  }
}

ScratchDirectory::~ScratchDirectory() {
  if (std::getenv("TDM_E2E_KEEP") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDirectory::CopyIn(const std::string& source, const std::string& name) const {
  const std::string target =
      PathOf(name.empty() ? source.substr(source.find_last_of("\\/") + 1) : name);
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
    throw DriverError("cannot copy " + source + " to " + target + ": error " +
                      std::to_string(GetLastError()));
  return target;
}

}  // namespace driver
