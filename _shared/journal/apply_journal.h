// The apply journal: how Setup, the uninstaller and the updater learn, after a kill or
// a power loss, how far an update got. The apply stages every new file inside the
// installation directory, writes the plan, then journals each move before making it.
// One definition for the writer and the reader.
//
// File: a header, then records appended one at a time, all numbers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace journal {

// Fixed names below the installation directory, known to the uninstaller too.
inline constexpr char kJournalName[] = "update.journal";
inline constexpr char kStagingFolder[] = "update.staging";
// Inside the staging folder: the new files, and the replaced ones until "done".
inline constexpr char kStagedFolder[] = "new";
inline constexpr char kBackupFolder[] = "old";

inline constexpr std::size_t kMagicSize = 8;
inline constexpr char kMagic[kMagicSize + 1] = "TDMJRNL\x1A";
inline constexpr std::uint32_t kFormatVersion = 1;
// magic, u32 format version, u32 from ms/ls, u32 to ms/ls, u32 CRC-32 of the 24 before.
inline constexpr std::size_t kHeaderSize = kMagicSize + 4 + 16 + 4;
// A record: u8 kind, u8 zero, u16 name length, u32 step, the name, u32 CRC-32 of all
// the record's bytes before it. A record that ends past the file is a torn append.
inline constexpr std::size_t kRecordFixedSize = 1 + 1 + 2 + 4 + 4;
// Relative names as the installation lists carry them; longer ones are refused.
inline constexpr std::size_t kMaxNameLength = 1024;
inline constexpr std::uint32_t kMaxSteps = 1'000'000;

enum class Kind : std::uint8_t {
  kFile = 1,      // plan: step i replaces or adds `name`
  kObsolete = 2,  // plan: `name` goes once the new release is in place
  kBegin = 3,     // plan complete; step = the number of kFile records
  kBackup = 4,    // about to move target i aside into the backup folder
  kPlace = 5,     // about to move staged i onto its target
  kCommit = 6,    // every file is in place: from here on, forward
  kDone = 7,      // backups and obsolete files are gone
  kFolder = 8,    // plan: a folder the new release adds, made before the moves
};

struct Version {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  friend bool operator==(const Version&, const Version&) = default;
};

struct Header {
  Version from;
  Version to;
  friend bool operator==(const Header&, const Header&) = default;
};

struct Record {
  Kind kind = Kind::kFile;
  std::uint32_t step = 0;
  std::string name;
  friend bool operator==(const Record&, const Record&) = default;
};

// A name the replay may join to the installation directory: the product's one name
// rule, so a crafted journal or index cannot reach outside it or name a device.
bool SafeName(std::string_view name);

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// The bytes the writer appends (and flushes) one call at a time.
std::vector<std::uint8_t> HeaderBytes(const Header& header);
// Empty when the name is longer than kMaxNameLength.
std::vector<std::uint8_t> RecordBytes(const Record& record);

// How far each file of the plan got.
enum class Progress : std::uint8_t { kNone, kBackupStarted, kPlaceStarted };

struct Journal {
  Header header;
  std::vector<std::string> files;     // step i's name, relative, "\" between folders
  std::vector<std::string> obsolete;  // relative names
  std::vector<std::string> folders;   // new folders, each after its parent
  bool begun = false;
  std::vector<Progress> progress;  // one per file once begun
  bool committed = false;
  bool done = false;
  bool tornTail = false;  // the last append was cut short; everything before it holds
};

enum class ReadProblem {
  kNone,
  kEmpty,       // no complete header: the journal was never started, nothing moved
  kNotJournal,  // another magic or a format this reader does not know
  kDamaged,     // a bad record with good bytes after it: not a torn append
  kOutOfOrder,  // records the writer never writes in this order
};

// Pointer and length in; every read bounds-checked.
ReadProblem ReadJournal(const std::uint8_t* data, std::size_t size, Journal& journal);

// What an apply does, decided before it starts; names relative, "\" between folders.
struct Plan {
  std::vector<std::string> files;       // each staged first, then replaces or adds its file
  std::vector<std::string> obsolete;    // removed once the new release is in place
  std::vector<std::string> newFolders;  // not there before, each after its parent
};

// The records in the order the apply writes them for a plan, begin included.
std::vector<Record> PlanRecords(const Plan& plan);

}  // namespace journal
