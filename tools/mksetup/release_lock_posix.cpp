#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "manifest.h"
#include "release_lock.h"

namespace mksetup {

ReleaseLock::~ReleaseLock() {
  if (descriptor_ >= 0) close(descriptor_);  // closing drops the lock
}

bool ReleaseLock::Acquire(const std::filesystem::path& file, std::string& error) {
  descriptor_ = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  int result = descriptor_ < 0 ? -1 : 0;
  if (result == 0) do {
      result = flock(descriptor_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
  if (result == 0) return true;
  error = PathText(file) + ": cannot be locked: " + std::strerror(errno);
  return false;
}

}  // namespace mksetup
