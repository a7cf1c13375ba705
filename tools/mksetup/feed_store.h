// The feed folder on disk: content files under files/ named by their SHA-256, the
// key files under keys/, and index.tdmfeed, replaced last and in one rename. Every
// file is written under a temporary name, flushed to the disk and then renamed, so
// a reader never sees half a file and a killed publish leaves the index as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "feed_format.h"

namespace mksetup {

inline constexpr char kIndexFileName[] = "index.tdmfeed";
inline constexpr char kContentFolder[] = "files";
inline constexpr char kKeyFolder[] = "keys";

std::filesystem::path IndexPath(const std::filesystem::path& feed);
std::filesystem::path ContentFile(const std::filesystem::path& feed, const feed::Hash& hash);
// keys/<16 hex digits of the key id>.pub (the public key) or .rot (its rotation record).
std::filesystem::path KeyFile(const std::filesystem::path& feed, const feed::KeyId& id,
                              const char* extension);

bool ReadWholeFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes);

// Writes `bytes` as `file` through a flushed temporary file and one rename.
bool ReplaceFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes,
                 std::string& error);

// The content files of one publish. Each is written under a temporary name and its
// writeback started; Commit then flushes them all, renames them to their names and
// flushes their folders. One flush per file as it is written would wait for the disk
// once per file, and once more per folder; together the disk takes the data as one
// stream and one journal commit covers most of them. Temporary files not committed
// are removed.
class ContentBatch {
 public:
  explicit ContentBatch(std::filesystem::path feed) : feed_(std::move(feed)) {}
  ~ContentBatch();
  ContentBatch(const ContentBatch&) = delete;
  ContentBatch& operator=(const ContentBatch&) = delete;

  // Writes a content file unless one that hashes to it is stored (a damaged one is
  // replaced) or pending; `source` is read when not empty, `bytes` otherwise, and its
  // hash is checked while it is copied. `written` tells whether bytes were written.
  bool Store(const feed::ContentRef& content, const std::filesystem::path& source,
             const std::vector<std::uint8_t>& bytes, bool& written, std::string& error);
  // Writes `bytes` as `target` (a compressed form or a patch) unless a file of that
  // size is there or pending.
  bool StoreAt(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes,
               bool& written, std::string& error);
  bool Commit(std::string& error);

 private:
  struct Pending {
    std::filesystem::path temporary;
    std::filesystem::path target;
  };
  bool StoreAs(const std::filesystem::path& target, const feed::ContentRef& content,
               const std::filesystem::path& source, const std::vector<std::uint8_t>& bytes,
               bool& written, std::string& error);
  std::filesystem::path feed_;
  std::vector<Pending> pending_;
};

}  // namespace mksetup
