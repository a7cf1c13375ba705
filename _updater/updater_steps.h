// The updater's smaller decisions between the check and the apply: the name a feed's
// file gets on disk, where downloads wait, whether the volume has room, what follows
// each fetched file, and the exit code of a silent run (/S). Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check_outcome.h"
#include "fixed_names.h"

namespace updater {

// "data/b.dat" -> "data\b.dat"; false for a name that would leave the installation
// directory, so a signed but careless index cannot place a file outside it.
bool InstallName(const std::string& feedName, std::string& windowsName);

// The updater's own files beside the game's, which the uninstaller removes too.
using installation::kDownloadFolder;
using installation::kPatchNotesNames;
using installation::kReplacedUpdaterName;
using installation::kServerListName;
using installation::kUpdaterProgramName;
// The notes `release` carries in `language` (0 German, 1 English); null when none.
const feed::ContentRef* PatchNotesFor(const feed::Release& release, std::uint32_t language);
std::string DownloadName(const feed::Hash& hash);
// A release's version as the player reads it, "0.807.3".
std::string VersionText(const feed::Version& version);  // "update.download\<64 hex digits>"

// Bytes the volume must still take: what is left to fetch of each file (`have[i]` bytes
// of `fetch[i]` are there), plus room for the journal and the lists. The apply itself
// needs none: every move is a rename on the same volume.
inline constexpr std::uint64_t kSpaceMargin = 1024 * 1024;
std::uint64_t BytesStillNeeded(const feed::Release& target, const std::vector<std::size_t>& fetch,
                               const std::vector<std::uint64_t>& have);

enum class FetchResult { kAlreadyThere, kReceived, kHashMismatch, kFailed, kCancelled };
enum class AfterFetch { kNextFile, kFetchAgain, kGiveUp, kStop };

struct FetchStep {
  AfterFetch next = AfterFetch::kGiveUp;
  std::vector<std::uint32_t> messages;
  friend bool operator==(const FetchStep&, const FetchStep&) = default;
};

// `attempt` counts from 1: a file whose hash is wrong is fetched once more, from nothing.
FetchStep DecideAfterFetch(FetchResult result, int attempt);

// How a silent run ended, and the exit code each end has (documented in the README).
enum class Finish {
  kUpToDate,
  kUpdated,
  kFailed,              // 1: anything else (an exception, a full disk, a bad journal)
  kNoConnection,        // 2: no index, or the server went away during a download
  kVerificationFailed,  // 3: the index or a file did not verify
  kFileHeld,            // 4: a file to replace is open (the game runs)
  kClientTooOld,        // 5: too old for the feed, or its version unreadable
  kNothingToFetch,      // 6: behind, but the feed does not carry the files
  kNeedsRights,         // 7: an all-users installation, run without the rights to apply
  kFolderUnprotected,   // 8: others may change an all-users installation's folders
};

int ExitCode(Finish finish);

// What becomes of the index's game server list in a run.
enum class ServerListStep {
  kInPlace,           // the installed list is the indexed one: nothing is fetched
  kPlace,             // fetched and verified: this process places it
  kForElevatedApply,  // only administrators write into an all-users installation: the
                      // elevated apply that follows places it, verified once more
  kUntilNextApply,    // ... and none follows: the game keeps the list it has
  kMissing,           // not fetched: 246 and 247
};
ServerListStep DecideServerList(bool installedIsIndexed, bool fetched, bool needsElevatedApply,
                                bool applyFollows);
// Where a check ends a silent run; kUpdated for the verdicts that go on to fetch.
Finish FinishAfterCheck(Verdict verdict);

}  // namespace updater
