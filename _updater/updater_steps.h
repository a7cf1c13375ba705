// The updater's smaller decisions between the check and the apply: the name a feed's
// file gets on disk, what follows each fetched file, and the exit code of a silent
// run (/S). Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check_outcome.h"

namespace updater {

// "data/b.dat" -> "data\b.dat"; false for a name that would leave the installation
// directory, so a signed but careless index cannot place a file outside it.
bool InstallName(const std::string& feedName, std::string& windowsName);

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
};

int ExitCode(Finish finish);
// Where a check ends a silent run; kUpdated for the verdicts that go on to fetch.
Finish FinishAfterCheck(Verdict verdict);

}  // namespace updater
