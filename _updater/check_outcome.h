// What a check finds: from the index as the feed reader left it, the installed version,
// the updater's own version, the highest serial seen and the time, to the messages the
// player reads and the files to fetch. Always towards the newest release in one step,
// however far behind the installation is. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed_format.h"
#include "feed_reader.h"

namespace updater {

// How fetching the index went, before anything was read from it.
enum class IndexFetch { kReceived, kNoConnection, kNotFound };

// An installed file, for one file of the newest release (same order).
struct LocalFile {
  bool exists = false;
  std::uint64_t size = 0;
  std::uint64_t fileTime = 0;  // FILETIME
  bool hashed = false;         // `hash` holds the file's SHA-256
  feed::Hash hash{};
};

// The files whose size matches but whose time does not: only these are hashed before
// the check decides (a file whose size and time match is taken as it is).
std::vector<std::size_t> FilesToHash(const feed::Release& release,
                                     const std::vector<LocalFile>& local);

enum class Verdict {
  kUpToDate,          // 205, 206
  kNewFiles,          // 207 count, 208 size: fetch `fetch` of `target`
  kClientNewer,       // 231
  kClientTooOld,      // 253
  kNoUpdateFiles,     // 232: a file to fetch that the feed does not carry
  kClientUnknown,     // the installed version could not be read (Setup's 34)
  kNoIndex,           // 220, 221
  kNoConnection,      // 243
  kBadIndex,          // 233: unreadable, wrongly signed, replayed or expired
  kUpdaterTooOld,     // 255: the feed needs a newer reader than this updater
  kUpdaterMissing,    // 222, 223: a newer updater is named but not carried
  kUpdaterSelfUpdate  // 234: fetch `index.updater` first, then start it
};

struct CheckInput {
  IndexFetch fetch = IndexFetch::kReceived;
  feed::ReadProblem problem = feed::ReadProblem::kNone;
  const feed::Index* index = nullptr;  // read when `problem` is kNone
  std::uint64_t highestSerialSeen = 0;
  std::uint64_t nowUnixSeconds = 0;
  bool installedKnown = false;
  feed::Version installed;
  feed::Version updaterOwn;
  std::vector<LocalFile> local;  // for each file of the newest release
};

struct CheckOutcome {
  Verdict verdict = Verdict::kBadIndex;
  std::vector<std::uint32_t> messages;
  const feed::Release* target = nullptr;  // the newest release, once the index holds
  std::vector<std::size_t> fetch;         // indices into target->files
  std::uint64_t fetchBytes = 0;
  std::uint64_t serialToKeep = 0;  // the highest serial seen, this index's included
  std::string refusedName;         // the index's entry that no installation may hold
  std::string refusal;             // a replayed or expired index: why, with its figures
};

// The newest release of the index, or nullptr when it names none.
const feed::Release* NewestRelease(const feed::Index& index);

CheckOutcome DecideCheck(const CheckInput& input);

// The names the installed release's lists carry that the target release does not have:
// they go once the new files are in place; the lists themselves stay. Names compare as
// Windows compares them, "/" and "\" alike, letter case aside.
std::vector<std::string> ObsoleteFiles(const std::vector<std::string>& installedFiles,
                                       const feed::Release& target);

}  // namespace updater
