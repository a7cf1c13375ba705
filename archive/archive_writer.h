// Writes a SetupArchive from an in-memory description: the record stream split over
// up to three segments so that Setup.exe's reader, switching segments after the
// first file record that takes a segment's data above SEGMENT_DATA_LIMIT, lands on
// real records. Everything that would not fit the format is refused, never cut.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "setup_archive.h"

namespace archive {

// One payload file. Its contents come either from `bytes` (borrowed: the storage
// must outlive the write) or, when `sourcePath` is set, from that file, streamed.
struct WriterFile {
  std::string name;  // relative, single-byte text as stored
  std::uint64_t fileTime = 0;
  std::uint64_t size = 0;  // checked against the u32 field and against the source
  std::span<const std::uint8_t> bytes;
  std::filesystem::path sourcePath;
};

struct WriterReadme {
  std::string readmeFile;
  std::string readmeLinkName;
};

struct WriterShortcut {
  std::string targetFile;
  std::uint32_t linkNameId = 0;
};

struct ArchiveDescription {
  SetupKind kind = SetupKind::Full;
  std::string title;
  std::string installDirSuffix;
  std::string startMenuGroup;
  std::uint32_t packageVersionMS = 0;
  std::uint32_t packageVersionLS = 0;
  std::uint32_t requiredVersionMS = 0;
  std::uint32_t requiredVersionLS = 0;
  std::array<std::vector<std::string>, kLanguageCount> termsLines;  // German, English
  std::vector<std::string> directories;                             // each after its parent
  std::array<WriterReadme, kLanguageCount> readmes;
  std::vector<WriterFile> files;
  std::vector<std::string> obsoleteFiles;  // Update only
  std::string programFile;
  std::string desktopLinkName;
  std::vector<WriterShortcut> shortcuts;
  // Bytes of files made while building (not read from disk) that `files` point into.
  std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> ownedBytes;
};

// Where each item goes, decided before a byte is written.
struct ArchivePlan {
  int segmentCount = 0;                                  // 1..3; a Full archive always has 3
  std::vector<int> fileSegment;                          // 1-based segment of each file record
  int tailSegment = 1;                                   // segment holding items 6 to 8
  std::array<std::uint64_t, kMaxSegments> bodyLength{};  // 0 for absent or empty
  std::uint64_t dataBytes = 0;                           // all file data, for progress
};

// False with `error` when the description does not fit the format: a text over 255
// bytes or holding a NUL, a file over 4 GiB - 1, more than three segments, a body
// that a u32 cannot measure, obsolete names in a Full archive.
bool PlanArchive(const ArchiveDescription& description, ArchivePlan& plan, std::string& error);

// Receives one segment: its 8 checksum bytes (zero at first) and its body, in big
// pieces; Finish puts the checksum into the first 8 bytes.
class SegmentSink {
 public:
  virtual ~SegmentSink() = default;
  virtual bool Write(const std::uint8_t* data, std::size_t length) = 0;
  virtual bool Finish(std::uint64_t checksum) = 0;
  virtual std::string Problem() const = 0;
};

class MemorySink final : public SegmentSink {
 public:
  explicit MemorySink(std::size_t expectedSize = 0) { bytes_.reserve(expectedSize); }
  bool Write(const std::uint8_t* data, std::size_t length) override;
  bool Finish(std::uint64_t checksum) override;
  std::string Problem() const override { return "out of memory"; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

struct WriteResult {
  bool ok = false;
  std::string error;
  std::array<std::uint64_t, kMaxSegments> checksums{};
};

// Called now and then with the file data bytes written so far and their total.
using WriteProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Writes the planned archive: segment n into sinks[n - 1], for every n up to
// plan.segmentCount. A source file that cannot be read, or is not as long as its
// size said, fails the write.
WriteResult WriteArchive(const ArchiveDescription& description, const ArchivePlan& plan,
                         const std::array<SegmentSink*, kMaxSegments>& sinks,
                         const WriteProgress& progress = {});

}  // namespace archive
