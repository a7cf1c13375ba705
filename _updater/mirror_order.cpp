#include "mirror_order.h"

#include <algorithm>

#include "updater_flow.h"
#include "updater_msg_ids.h"

namespace updater {
namespace {

int Rank(const IndexTry& tried) {
  if (tried.fetch == IndexFetch::kNoConnection) return 0;
  if (tried.fetch == IndexFetch::kNotFound) return 1;
  if (tried.problem == feed::ReadProblem::kNone || tried.problem == feed::ReadProblem::kNewerFeed)
    return 3;
  return 2;
}

MirrorReason ReasonOf(GetStatus status) {
  switch (status) {
    case GetStatus::kNotFound:
      return MirrorReason::kNotFound;
    case GetStatus::kTooSlow:
      return MirrorReason::kTooSlow;
    case GetStatus::kHashMismatch:
    case GetStatus::kTooLarge:
      return MirrorReason::kWrongBytes;
    default:
      return MirrorReason::kNoConnection;
  }
}

}  // namespace

const char* ReasonText(MirrorReason reason) {
  switch (reason) {
    case MirrorReason::kNone:
      return "in use";
    case MirrorReason::kNoConnection:
      return "no connection";
    case MirrorReason::kNotFound:
      return "not found there";
    case MirrorReason::kTooSlow:
      return "below the minimum rate";
    case MirrorReason::kWrongBytes:
      return "wrong bytes";
    case MirrorReason::kBadIndex:
      return "an index that does not verify";
    case MirrorReason::kOlderIndex:
      return "an older index than one seen before";
    case MirrorReason::kExpiredIndex:
      return "an expired index";
    case MirrorReason::kNewerFeed:
      return "a feed for a newer updater";
  }
  return "?";
}

std::vector<std::string> IndexSources(const std::string& carried,
                                      const std::vector<std::string>& remembered) {
  std::vector<std::string> sources;
  for (const std::string& base : remembered)
    if (!base.empty() && std::find(sources.begin(), sources.end(), base) == sources.end())
      sources.push_back(base);
  if (std::find(sources.begin(), sources.end(), carried) == sources.end())
    sources.push_back(carried);
  return sources;
}

std::vector<std::string> ContentSources(const std::vector<std::string>& mirrors,
                                        const std::string& indexSource) {
  std::vector<std::string> sources;
  for (const std::string& mirror : mirrors) {
    const std::string base = FeedBase(mirror);
    if (std::find(sources.begin(), sources.end(), base) == sources.end()) sources.push_back(base);
  }
  if (sources.empty()) sources.push_back(indexSource);
  return sources;
}

MirrorReason IndexReason(const IndexTry& tried) {
  if (tried.fetch == IndexFetch::kNoConnection) return MirrorReason::kNoConnection;
  if (tried.fetch == IndexFetch::kNotFound) return MirrorReason::kNotFound;
  if (tried.problem == feed::ReadProblem::kNewerFeed) return MirrorReason::kNewerFeed;
  if (tried.problem != feed::ReadProblem::kNone) return MirrorReason::kBadIndex;
  if (tried.freshness == feed::Freshness::kReplayed) return MirrorReason::kOlderIndex;
  if (tried.freshness == feed::Freshness::kExpired) return MirrorReason::kExpiredIndex;
  return MirrorReason::kNone;
}

std::size_t IndexTryToReport(const std::vector<IndexTry>& tries) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < tries.size(); ++i)
    if (Rank(tries[i]) > Rank(tries[best])) best = i;
  return best;
}

std::size_t FirstMirror(const std::vector<bool>& down) {
  const auto up = std::find(down.begin(), down.end(), false);
  return up == down.end() ? kNoMirror : static_cast<std::size_t>(up - down.begin());
}

FileStep DecideFileStep(GetStatus status, bool alreadyThere, int attempt, std::size_t at,
                        std::vector<bool>& down) {
  FileStep step;
  const FetchResult result = FetchResultOf(status, alreadyThere);
  // Ours, not the server's: another server would not help.
  if ((result != FetchResult::kHashMismatch && result != FetchResult::kFailed) ||
      status == GetStatus::kWriteFailed) {
    const FetchStep plain = DecideAfterFetch(result, attempt);
    step.next = plain.next;
    step.messages = plain.messages;
    return step;
  }
  step.reason = ReasonOf(status);
  if (at < down.size() &&
      (step.reason == MirrorReason::kNoConnection || step.reason == MirrorReason::kTooSlow))
    down[at] = true;
  for (std::size_t next = at + 1; next < down.size(); ++next)
    if (!down[next]) {
      step.next = AfterFetch::kFetchAgain;
      step.mirror = next;
      step.switched = true;
      if (result == FetchResult::kHashMismatch) step.messages = {kMsgFileCorruptedRetry};
      return step;
    }
  const FetchStep plain = DecideAfterFetch(result, attempt);
  step.next = plain.next;
  step.messages = plain.messages;
  if (step.next == AfterFetch::kFetchAgain) step.mirror = at;
  return step;
}

}  // namespace updater
