#include "test_readers_win.h"

#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace test_support {
namespace {

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

Key OpenForReading(HKEY root, const char* key, LSTATUS& status) {
  HKEY handle = nullptr;
  status = RegOpenKeyExA(root, key, 0, KEY_READ, &handle);
  return Key(status == ERROR_SUCCESS ? handle : nullptr);
}

struct Releaser {
  void operator()(IUnknown* object) const { object->Release(); }
};

class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

}  // namespace

RegValue ReadValue(HKEY root, const char* key, const char* name) {
  RegValue value;
  const Key handle = OpenForReading(root, key, value.status);
  if (!handle) return value;
  DWORD size = 0;
  value.status = RegQueryValueExA(handle.get(), name, nullptr, &value.type, nullptr, &size);
  if (value.status != ERROR_SUCCESS) return value;
  value.bytes.resize(size);
  value.status = RegQueryValueExA(handle.get(), name, nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(value.bytes.data()), &size);
  value.bytes.resize(size);
  return value;
}

bool KeyExists(HKEY root, const char* key) {
  LSTATUS status;
  return OpenForReading(root, key, status) != nullptr;
}

std::string Sz(const std::string& text) {
  return text + std::string(1, '\0');
}

std::string Dword(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

std::optional<LinkInfo> ReadLink(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  ComApartment apartment;
  IShellLinkA* rawLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&rawLink))))
    return std::nullopt;
  const std::unique_ptr<IShellLinkA, Releaser> link(rawLink);
  IPersistFile* rawFile = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
    return std::nullopt;
  const std::unique_ptr<IPersistFile, Releaser> file(rawFile);
  wchar_t wide[MAX_PATH * 2] = {};
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2) == 0 ||
      FAILED(file->Load(wide, STGM_READ)))
    return std::nullopt;
  LinkInfo info;
  char text[INFOTIPSIZE] = {};
  if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) info.target = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetArguments(text, sizeof text))) info.arguments = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) info.workingDirectory = text;
  link->GetShowCmd(&info.showCommand);
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
  FILETIME created{}, accessed{}, written{};
  if (!GetFileTime(file.get(), &created, &accessed, &written)) return std::nullopt;
  auto value = [](const FILETIME& t) {
    return std::uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime;
  };
  return FileTimes{value(created), value(accessed), value(written)};
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace test_support
