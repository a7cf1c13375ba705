// Which update server the updater asks, and why it leaves one for the next: the index
// from the first that serves a fresh one, each file from the first that serves its
// bytes. Portable; the session carries the steps out and logs every switch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check_outcome.h"
#include "feed_reader.h"
#include "http_get_win.h"
#include "updater_steps.h"

namespace updater {

inline constexpr std::size_t kNoMirror = static_cast<std::size_t>(-1);

enum class MirrorReason {
  kNone,
  kNoConnection,  // refused, unresolved, timed out, cut off
  kNotFound,      // answered without the file: 404, a refused redirect
  kTooSlow,       // below the minimum rate
  kWrongBytes,    // the file's SHA-256 is not the one the index names
  kBadIndex,      // unreadable or wrongly signed
  kOlderIndex,    // a serial below the highest seen: a lagging mirror or a replay
  kExpiredIndex,  // signed, but past its expiry
  kNewerFeed,     // needs a newer updater
};
const char* ReasonText(MirrorReason reason);

// Where the index is asked for, in order: the mirrors the last verified index named,
// then the address the program carries, unless it is one of them already.
std::vector<std::string> IndexSources(const std::string& carried,
                                      const std::vector<std::string>& remembered);
// Where the files come from: the index's mirrors; without any, the index's own server.
std::vector<std::string> ContentSources(const std::vector<std::string>& mirrors,
                                        const std::string& indexSource);

// One source's answer to the index request.
struct IndexTry {
  IndexFetch fetch = IndexFetch::kNoConnection;
  feed::ReadProblem problem = feed::ReadProblem::kNone;
  feed::Freshness freshness = feed::Freshness::kFresh;
};
// kNone: this index is the one to use; otherwise why the next source is asked.
MirrorReason IndexReason(const IndexTry& tried);
// When no source served a fresh index, the try the check reports to the player: what
// was signed (an older, expired or newer feed) says more than a bad index, that more
// than a missing one, that more than no connection. The first of equals.
std::size_t IndexTryToReport(const std::vector<IndexTry>& tries);

// The first mirror not given up in this run, or kNoMirror.
std::size_t FirstMirror(const std::vector<bool>& down);

struct FileStep {
  AfterFetch next = AfterFetch::kGiveUp;
  std::size_t mirror = kNoMirror;  // where kFetchAgain asks
  MirrorReason reason = MirrorReason::kNone;
  bool switched = false;  // `mirror` is another server than the one that failed
  std::vector<std::uint32_t> messages;
  friend bool operator==(const FileStep&, const FileStep&) = default;
};
// After try `attempt` (from 1) of a file at mirror `at`: the next mirror after it that
// is not given up; a server that did not answer or was too slow is given up for the
// rest of the run (`down`), one without the file or with wrong bytes only for this
// file. With no mirror left, wrong bytes are fetched once more from the same server.
FileStep DecideFileStep(GetStatus status, bool alreadyThere, int attempt, std::size_t at,
                        std::vector<bool>& down);

}  // namespace updater
