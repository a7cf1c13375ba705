#include "s_small_file_win.h"

bool ReadSmallFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   DWORD& error) {
  bytes.clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  LARGE_INTEGER size{};
  DWORD read = 0;
  error = ERROR_SUCCESS;
  if (!GetFileSizeEx(file, &size)) {
    error = GetLastError();
  } else if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > limit ||
             size.QuadPart > 0x7FFFFFFF) {
    error = ERROR_FILE_TOO_LARGE;
  } else {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    if (!bytes.empty() &&
        !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
      error = GetLastError();
    else if (read != bytes.size())
      error = ERROR_HANDLE_EOF;  // shorter than its size a moment ago: being written
  }
  CloseHandle(file);
  if (error != ERROR_SUCCESS) bytes.clear();
  return error == ERROR_SUCCESS;
}
