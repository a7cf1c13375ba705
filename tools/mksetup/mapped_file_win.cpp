#include <io.h>
#include <windows.h>

#include <cstdio>

#include "manifest.h"
#include "mapped_file.h"
#include "s_handle_win.h"

namespace mksetup {
namespace {

std::string LastErrorText(const std::filesystem::path& path) {
  return PathText(path) + ": Windows error " + std::to_string(GetLastError());
}

}  // namespace

bool MappedFile::Open(const std::filesystem::path& path, std::string& error) {
  Close();
  // The view keeps the file open once it is made.
  const handles::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = LastErrorText(path);
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file.get(), &size) != 0;
  if (ok && size.QuadPart > 0) {
    handles::Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    void* at = mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr;
    ok = at != nullptr;
    if (ok) {
      mapping_ = mapping.release();
      data_ = static_cast<const std::uint8_t*>(at);
      size_ = static_cast<std::size_t>(size.QuadPart);
    }
  }
  if (!ok) error = LastErrorText(path);
  return ok;
}

void MappedFile::Close() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  if (mapping_ != nullptr) CloseHandle(static_cast<HANDLE>(mapping_));
  data_ = nullptr;
  size_ = 0;
  mapping_ = nullptr;
}

bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

}  // namespace mksetup
