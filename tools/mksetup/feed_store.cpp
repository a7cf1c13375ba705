#include "feed_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "feed_crypto.h"
#include "manifest.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

// Flushes a folder's entries, so that a rename in it survives a power cut.
void SyncFolder(const fs::path& folder) {
  const int fd = open(PathText(folder).c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

fs::path TemporaryBeside(const fs::path& file) {
  std::random_device random;
  fs::path temporary = file;
  temporary += ".partial-" + std::to_string(getpid()) + "-" + std::to_string(random());
  return temporary;
}

// One open file descriptor, created only when the name is new.
class NewFile {
 public:
  explicit NewFile(const fs::path& path)
      : path_(path), fd_(open(PathText(path).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644)) {}
  ~NewFile() {
    if (fd_ >= 0) close(fd_);
    if (!kept_) unlink(PathText(path_).c_str());
  }
  bool Write(const std::uint8_t* data, std::size_t size) {
    while (fd_ >= 0 && size > 0) {
      const ssize_t done = write(fd_, data, size);
      if (done <= 0) return false;
      data += done;
      size -= static_cast<std::size_t>(done);
    }
    return fd_ >= 0;
  }
  // Closed with its writeback started, kept for a later flush and rename.
  bool Hand() {
    if (fd_ < 0) return false;
    sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);  // a head start only; fsync decides
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    kept_ = closed;
    return closed;
  }
  // Flushed and closed, then renamed to `target`.
  bool Commit(const fs::path& target) {
    if (fd_ < 0 || fsync(fd_) != 0 || close(fd_) != 0) return false;
    fd_ = -1;
    if (rename(PathText(path_).c_str(), PathText(target).c_str()) != 0) return false;
    kept_ = true;
    SyncFolder(target.parent_path());
    return true;
  }

 private:
  fs::path path_;
  int fd_;
  bool kept_ = false;
};

}  // namespace

fs::path IndexPath(const fs::path& feed) {
  return feed / kIndexFileName;
}

fs::path ContentFile(const fs::path& feed, const feed::Hash& hash) {
  return feed / kContentFolder / feed::ContentPath(hash);
}

fs::path KeyFile(const fs::path& feed, const feed::KeyId& id, const char* extension) {
  return feed / kKeyFolder / (feed::HexText(id.data(), id.size()) + extension);
}

bool ReadWholeFile(const fs::path& file, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool ReplaceFile(const fs::path& file, const std::vector<std::uint8_t>& bytes, std::string& error) {
  std::error_code code;
  fs::create_directories(file.parent_path(), code);
  NewFile out(TemporaryBeside(file));
  if (!code && out.Write(bytes.data(), bytes.size()) && out.Commit(file)) return true;
  error = PathText(file) + ": cannot be written";
  return false;
}

bool FlushFile(const fs::path& file) {
  const int fd = open(PathText(file).c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool flushed = fsync(fd) == 0;
  return close(fd) == 0 && flushed;
}

ContentBatch::~ContentBatch() {
  for (const Pending& file : pending_) unlink(PathText(file.temporary).c_str());
}

bool ContentBatch::Commit(std::string& error) {
  for (const Pending& file : pending_)
    if (!FlushFile(file.temporary)) {
      error = PathText(file.target) + ": cannot be written";
      return false;
    }
  std::set<fs::path> folders;
  while (!pending_.empty()) {
    const Pending& file = pending_.back();
    if (rename(PathText(file.temporary).c_str(), PathText(file.target).c_str()) != 0) {
      error = PathText(file.target) + ": cannot be written";
      return false;
    }
    folders.insert(file.target.parent_path());
    pending_.pop_back();
  }
  for (const fs::path& folder : folders) SyncFolder(folder);
  return true;
}

bool ContentBatch::StoreAt(const fs::path& target, const std::vector<std::uint8_t>& bytes,
                           bool& written, std::string& error) {
  return StoreAs(target, {{}, bytes.size()}, {}, bytes, written, error);
}

bool ContentBatch::Store(const feed::ContentRef& content, const fs::path& source,
                         const std::vector<std::uint8_t>& bytes, bool& written,
                         std::string& error) {
  return StoreAs(ContentFile(feed_, content.hash), content, source, bytes, written, error);
}

bool ContentBatch::StoreAs(const fs::path& target, const feed::ContentRef& content,
                           const fs::path& source, const std::vector<std::uint8_t>& bytes,
                           bool& written, std::string& error) {
  written = false;
  std::error_code code;
  // A name is its content, once its bytes hash to it: a stored file is reused only then,
  // and a damaged one is written again and renamed over it. One pending is stored by
  // this batch.
  feed::Hash stored{};
  std::uint64_t storedSize = 0;
  if (fs::is_regular_file(target, code) && fs::file_size(target, code) == content.size && !code &&
      Sha256File(target, stored, storedSize) && storedSize == content.size &&
      stored == content.hash)
    return true;
  if (std::any_of(pending_.begin(), pending_.end(),
                  [&](const Pending& file) { return file.target == target; }))
    return true;
  fs::create_directories(target.parent_path(), code);
  const fs::path temporary = TemporaryBeside(target);
  NewFile out(temporary);
  bool ok = !code;
  if (ok && source.empty()) ok = out.Write(bytes.data(), bytes.size());
  if (ok && !source.empty()) {
    // Hashed again while copied: a payload file changed since it was hashed must not
    // be stored under the old hash.
    std::ifstream in(source, std::ios::binary);
    Sha256Stream stream;
    std::vector<std::uint8_t> buffer(1 << 20);
    std::uint64_t copied = 0;
    while (ok && in) {
      in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
      const auto got = static_cast<std::size_t>(in.gcount());
      copied += got;
      ok = stream.Update(buffer.data(), got) && out.Write(buffer.data(), got);
    }
    feed::Hash hash{};
    ok = ok && in.eof() && !in.bad() && copied == content.size && stream.Finish(hash) &&
         hash == content.hash;
    if (!ok) {
      error = PathText(source) + ": changed while it was published, or cannot be read";
      return false;
    }
  }
  if (ok && out.Hand()) {
    pending_.push_back({temporary, target});
    written = true;
    return true;
  }
  error = PathText(target) + ": cannot be written";
  return false;
}

}  // namespace mksetup
