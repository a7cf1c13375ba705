#include "s_file_version_win.h"

#include <windows.h>

#include <vector>

bool ReadProductVersion(const char* path, std::uint32_t& ms, std::uint32_t& ls) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return false;
  std::vector<char> info(size);
  if (!GetFileVersionInfoA(path, 0, size, info.data())) return false;
  void* fixed = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!VerQueryValueA(info.data(), root, &fixed, &length) || fixed == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  const auto* fileInfo = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (fileInfo->dwSignature != VS_FFI_SIGNATURE) return false;
  ms = fileInfo->dwProductVersionMS;
  ls = fileInfo->dwProductVersionLS;
  return true;
}
