#include "s_small_file_win.h"

#include "s_handle_win.h"

namespace {

template <typename Bytes>
bool ReadInto(const std::string& path, std::size_t limit, Bytes& bytes, DWORD& error) {
  bytes.clear();
  const handles::Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = GetLastError();
    return false;
  }
  LARGE_INTEGER size{};
  DWORD read = 0;
  error = ERROR_SUCCESS;
  if (!GetFileSizeEx(file.get(), &size)) {
    error = GetLastError();
  } else if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > limit ||
             size.QuadPart > 0x7FFFFFFF) {
    error = ERROR_FILE_TOO_LARGE;
  } else {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    if (!bytes.empty() &&
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
      error = GetLastError();
    else if (read != bytes.size())
      error = ERROR_HANDLE_EOF;  // shorter than its size a moment ago: being written
  }
  if (error != ERROR_SUCCESS) bytes.clear();
  return error == ERROR_SUCCESS;
}

}  // namespace

bool ReadSmallFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   DWORD& error) {
  return ReadInto(path, limit, bytes, error);
}

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& text, DWORD& error) {
  return ReadInto(path, limit, text, error);
}
