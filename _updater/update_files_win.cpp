#include "update_files_win.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "s_handle_win.h"
#include "sha256_stream_win.h"
#include "updater_steps.h"

namespace updater {

namespace {

constexpr DWORD kPiece = 1 << 20;

}  // namespace

LocalFile LocalFacts(const std::string& path) {
  LocalFile facts;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return facts;
  facts.exists = true;
  facts.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  facts.fileTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                   data.ftLastWriteTime.dwLowDateTime;
  return facts;
}

bool FileSha256(const std::string& path, feed::Hash& hash) {
  const handles::Handle file(CreateFileA(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  feed::Sha256Stream sha;
  std::vector<std::uint8_t> buffer(kPiece);
  DWORD read = 0;
  bool ok = true;
  while (ok && (ok = ReadFile(file.get(), buffer.data(), kPiece, &read, nullptr) != 0) && read > 0)
    ok = sha.Add(buffer.data(), read);
  return ok && sha.Finish(hash);
}

std::uint64_t FileSize(const std::string& path) {
  return LocalFacts(path).size;
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::string parent = FolderOf(folder);
  if (!parent.empty() && parent != folder && parent.back() != ':' && !MakeFolders(parent))
    return false;
  return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::uint64_t FreeBytes(const std::string& folder) {
  ULARGE_INTEGER available{};
  return GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr) ? available.QuadPart : 0;
}

std::string OwnPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string UserDownloadFolder() {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
    return {};
  return std::string(path) + "\\Tidemoor\\" + kDownloadFolder;
}

}  // namespace updater
