#include <windows.h>

#include "manifest.h"
#include "release_lock.h"

namespace mksetup {

ReleaseLock::~ReleaseLock() {
  if (handle_ != nullptr) CloseHandle(handle_);  // closing drops the lock
}

bool ReleaseLock::Acquire(const std::filesystem::path& file, std::string& error) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    handle_ = h;
    OVERLAPPED whole{};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) return true;
  }
  error = PathText(file) + ": cannot be locked: Windows error " + std::to_string(GetLastError());
  return false;
}

}  // namespace mksetup
