#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "manifest.h"
#include "mapped_file.h"

namespace mksetup {
namespace {
#ifdef MAP_POPULATE
// Faulting the pages in one go makes the check after a build noticeably cheaper.
constexpr int kMapFlags = MAP_PRIVATE | MAP_POPULATE;
#else
constexpr int kMapFlags = MAP_PRIVATE;
#endif
}  // namespace

bool MappedFile::Open(const std::filesystem::path& path, std::string& error) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = PathText(path) + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0;
  if (ok && info.st_size > 0) {
    void* at = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, kMapFlags, fd, 0);
    ok = at != MAP_FAILED;
    if (ok) {
      data_ = static_cast<const std::uint8_t*>(at);
      size_ = static_cast<std::size_t>(info.st_size);
    }
  }
  if (!ok) error = PathText(path) + ": " + std::strerror(errno);
  ::close(fd);  // the mapping keeps the file's pages
  return ok;
}

void MappedFile::Close() {
  if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace mksetup
