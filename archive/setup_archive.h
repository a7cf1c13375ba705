// The SetupArchive: the byte layout that mksetup writes and Setup.exe reads.
// One definition for both sides, so a field can only move in one place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace archive {

// Up to three resources "ID_SETUPFILE1".."ID_SETUPFILE3" of type "BIN".
inline constexpr int kMaxSegments = 3;
inline constexpr std::uint32_t kSegmentChecksumSize = 8;  // u64 byte sum ahead of each body
// A segment ends after the first file record whose data takes its total above this.
inline constexpr std::uint32_t SEGMENT_DATA_LIMIT = 80'000'000;

// Fixed 256-byte NUL-terminated single-byte text field.
inline constexpr std::uint32_t kText256Size = 256;
inline constexpr std::uint32_t kText256MaxLength = kText256Size - 1;

// Both per-language blocks follow the language list: 0 German, 1 English.
inline constexpr std::uint32_t kLanguageCount = 2;

enum class SetupKind : std::uint32_t { Full = 1, Update = 2 };

// SetupHeader, at the start of segment 1's body.
struct SetupHeader {
  static constexpr std::uint32_t kKindOffset = 0;
  static constexpr std::uint32_t kTitleOffset = 4;
  static constexpr std::uint32_t kInstallDirSuffixOffset = 260;
  static constexpr std::uint32_t kStartMenuGroupOffset = 516;
  static constexpr std::uint32_t kPackageVersionMSOffset = 772;
  static constexpr std::uint32_t kPackageVersionLSOffset = 776;
  static constexpr std::uint32_t kRequiredVersionMSOffset = 780;
  static constexpr std::uint32_t kRequiredVersionLSOffset = 784;
  static constexpr std::uint32_t kSize = 788;

  std::uint32_t kind = 0;
  const char* title = nullptr;
  const char* installDirSuffix = nullptr;
  const char* startMenuGroup = nullptr;
  std::uint32_t packageVersionMS = 0;
  std::uint32_t packageVersionLS = 0;
  std::uint32_t requiredVersionMS = 0;
  std::uint32_t requiredVersionLS = 0;
};

// Items of the record stream, in stream order. The readers hand out texts and data
// as pointers into the mapped archive; nothing is copied.

// TermsBlock: u32 line count, then that many Text256 lines.
// DirectoryTable: u32 count, then that many Text256 relative directory names.
// ObsoleteList (Update only): u32 count, then that many Text256 relative file names.

struct ReadmeEntry {  // one pair per language
  const char* readmeFile = nullptr;
  const char* readmeLinkName = nullptr;
  static constexpr std::uint32_t kSize = 2 * kText256Size;
};

struct FileRecord {  // FileTable: u32 count (over all segments), then the records
  const char* name = nullptr;
  std::uint64_t fileTime = 0;  // FILETIME: 100 ns ticks since 1601-01-01 UTC
  std::uint32_t size = 0;
  const std::uint8_t* data = nullptr;
  static constexpr std::uint32_t kFixedSize = kText256Size + 8 + 4;  // 268, ahead of the data
};

struct MainProgramEntry {
  const char* programFile = nullptr;
  const char* desktopLinkName = nullptr;
  static constexpr std::uint32_t kSize = 2 * kText256Size;
};

struct ShortcutRecord {  // ShortcutTable: u32 count, then the records
  const char* targetFile = nullptr;
  std::uint32_t linkNameId = 0;  // catalogue id of the link's file name
  static constexpr std::uint32_t kSize = kText256Size + 4;
};

// One mapped segment body (the bytes after its checksum). An absent segment has no
// pointer; a present segment without records has a pointer and length 0.
struct SegmentView {
  const std::uint8_t* body = nullptr;
  std::uint32_t length = 0;
  bool present() const { return body != nullptr; }
};

using SegmentViews = std::array<SegmentView, kMaxSegments>;

}  // namespace archive
