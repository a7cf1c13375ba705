#include "test_readers_win.h"

#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace test_support {
namespace {

struct ReadKey {
  HKEY handle = nullptr;
  LSTATUS status;
  ReadKey(HKEY root, const char* key) : status(RegOpenKeyExA(root, key, 0, KEY_READ, &handle)) {}
  ~ReadKey() {
    if (status == ERROR_SUCCESS) RegCloseKey(handle);
  }
};

struct Releaser {
  void operator()(IUnknown* object) const { object->Release(); }
};

struct Apartment {
  const bool on = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  ~Apartment() {
    if (on) CoUninitialize();
  }
};

}  // namespace

RegValue ReadValue(HKEY root, const char* key, const char* name) {
  const ReadKey opened(root, key);
  RegValue value{opened.status, REG_NONE, {}};
  DWORD size = 0;
  for (BYTE* into = nullptr; value.status == ERROR_SUCCESS;
       into = reinterpret_cast<BYTE*>(value.bytes.data())) {
    value.status = RegQueryValueExA(opened.handle, name, nullptr, &value.type, into, &size);
    value.bytes.resize(value.status == ERROR_SUCCESS ? size : 0);
    if (into != nullptr || value.status != ERROR_SUCCESS) break;
  }
  return value;
}

bool KeyExists(HKEY root, const char* key) {
  return ReadKey(root, key).status == ERROR_SUCCESS;
}

std::string Sz(const std::string& text) {
  return text + std::string(1, '\0');
}

std::string Dword(std::uint32_t value) {
  return {reinterpret_cast<const char*>(&value), 4};  // Windows is little-endian
}

std::optional<LinkInfo> ReadLink(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  const Apartment apartment;
  IShellLinkA* rawLink = nullptr;
  IPersistFile* rawFile = nullptr;
  wchar_t wide[MAX_PATH * 2] = {};
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&rawLink))))
    return std::nullopt;
  const std::unique_ptr<IShellLinkA, Releaser> link(rawLink);
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile));
  const std::unique_ptr<IPersistFile, Releaser> file(rawFile);
  if (!file || MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2) == 0 ||
      FAILED(file->Load(wide, STGM_READ)))
    return std::nullopt;
  LinkInfo info;
  char text[3][INFOTIPSIZE] = {};
  link->GetPath(text[0], INFOTIPSIZE, nullptr, SLGP_RAWPATH);
  link->GetArguments(text[1], INFOTIPSIZE);
  link->GetWorkingDirectory(text[2], INFOTIPSIZE);
  link->GetShowCmd(&info.showCommand);
  info.target = text[0], info.arguments = text[1], info.workingDirectory = text[2];
  return info;
}

std::optional<std::string> ReadContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<FileTimes> ReadTimes(const std::string& path) {
  HANDLE raw = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::unique_ptr<void, decltype(&CloseHandle)> file(raw, &CloseHandle);
  FILETIME t[3]{};
  if (!GetFileTime(file.get(), &t[0], &t[1], &t[2])) return std::nullopt;
  auto value = [&](int i) { return std::uint64_t{t[i].dwHighDateTime} << 32 | t[i].dwLowDateTime; };
  return FileTimes{value(0), value(1), value(2)};
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
  return !FileExists(path) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace test_support
