// Building the Setup.exe a scenario needs: a small archive, its segment files (as
// the builder writes them or deliberately spoiled), and the stub with those
// segments put in as resources. Runs inside the test process under Wine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive_writer.h"
#include "setup_archive.h"

namespace e2e {

// A whole segment file: the u64 checksum (offset 0) followed by the body.
using SegmentFile = std::vector<std::uint8_t>;
// Segments 1..3 of a Setup.exe; nullopt leaves that resource out.
using SegmentSet = std::vector<std::optional<SegmentFile>>;

// Raised when a scenario cannot even be built (planner refusal, file not written).
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A small valid archive of the given kind: German and English terms (German with
// Windows-1252 umlauts and an empty line), the directories "data", "data/maps" and
// "docs", readme pairs "docs/liesmich.txt"/"Liesmich.lnk" and
// "docs/readme.txt"/"Readme.lnk", seven files (one empty: "data/empty.dat"), main
// program "TDMClient.exe" with desktop link "Tidemoor.lnk", shortcuts to
// "uninstall.exe" (25), "TDMClient.exe" (23) and "TDMOptions.exe" (24), and for an
// Update an empty obsolete list. Full: package 0.807.3, no required version, title
// kFullTitle. Update: package 0.807.4, required 0.807.3 (the demo client's), title
// kUpdateTitle. File contents live in static storage, so the description may be
// copied and kept.
archive::ArchiveDescription SmallArchive(archive::SetupKind kind);
inline constexpr char kFullTitle[] = "Tidemoor 0.807.3 Testausgabe";
inline constexpr char kUpdateTitle[] = "Tidemoor Update 0.807.4 Testausgabe";
inline constexpr char kInstallDirSuffix[] = "\\Tidemoor";
inline constexpr char kStartMenuGroup[] = "Tidemoor";

// The segment files exactly as the builder writes them (a Full archive has three,
// the later ones possibly 8 bytes long). Throws BuildError when the planner refuses.
std::vector<SegmentFile> WriteSegments(const archive::ArchiveDescription& description);
// Every written segment present.
SegmentSet AllPresent(const std::vector<SegmentFile>& segments);

// --- Looking at and spoiling one segment file. Offsets are body offsets (counted
// after the 8 checksum bytes); every access is checked and throws BuildError when it
// would leave the file.
std::uint32_t BodyLength(const SegmentFile& segment);
std::uint64_t StoredChecksum(const SegmentFile& segment);
void SetStoredChecksum(SegmentFile& segment, std::uint64_t value);
// The byte sum of the body: what the checksum of a sound segment holds.
std::uint64_t BodySum(const SegmentFile& segment);
// Makes the stored checksum match the body again, after a deliberate change.
void RecomputeChecksum(SegmentFile& segment);
std::uint8_t BodyByte(const SegmentFile& segment, std::size_t offset);
// These change the body only; the checksum stays as it was.
void SetBodyByte(SegmentFile& segment, std::size_t offset, std::uint8_t value);
std::uint32_t BodyU32(const SegmentFile& segment, std::size_t offset);
void SetBodyU32(SegmentFile& segment, std::size_t offset, std::uint32_t value);
// A segment file around `body`, its checksum already right.
SegmentFile SegmentWithBody(const std::vector<std::uint8_t>& body);
std::vector<std::uint8_t> Body(const SegmentFile& segment);

// Where the items of a sound archive lie, found by walking it. Each position is a
// segment number (1..3) and a body offset.
struct BodyPosition {
  int segment = 1;
  std::uint32_t offset = 0;
};
struct ItemPositions {
  std::uint32_t termsCount[archive::kLanguageCount] = {};  // segment 1
  std::uint32_t firstGermanTermsLine = 0;                  // segment 1; valid when lines exist
  std::uint32_t directoryCount = 0;                        // segment 1
  std::uint32_t readmes = 0;                               // segment 1: German pair first
  std::uint32_t fileCount = 0;                             // segment 1
  std::vector<BodyPosition> files;                         // each record's name field
  std::optional<BodyPosition> obsoleteCount;               // Update only
  BodyPosition mainProgram;                                // programFile field
  BodyPosition shortcutCount;
  BodyPosition end;  // just behind the shortcut table
};
// Throws BuildError when the segments do not hold together.
ItemPositions LocateItems(const std::vector<SegmentFile>& segments);

// --- The program.
// The stub (SetupStub.exe of this build tree), as a Windows path.
std::string SetupStubPath();
// Writes the present segments as ID_SETUPFILE<n>.bin into `folder` (a Windows path)
// and builds folder\Setup.exe: the stub with those files as resources "BIN" /
// "ID_SETUPFILE<n>". Returns the path of the new Setup.exe; throws BuildError.
std::string MakeSetupExe(const SegmentSet& segmentFiles, const std::string& folder,
                         const std::string& exeName = "Setup.exe");

}  // namespace e2e
