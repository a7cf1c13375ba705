#include "updater_steps.h"

#include <algorithm>

#include "apply_journal.h"
#include "updater_msg_ids.h"

namespace updater {

bool InstallName(const std::string& feedName, std::string& windowsName) {
  windowsName = feedName;
  std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
  return journal::SafeName(windowsName);
}

const feed::ContentRef* PatchNotesFor(const feed::Release& release, std::uint32_t language) {
  if (language >= release.patchNotes.size() || !release.patchNotes[language].present())
    return nullptr;
  return &release.patchNotes[language];
}

std::string VersionText(const feed::Version& version) {
  return "0." + std::to_string(version.ms) + "." + std::to_string(version.ls);
}

std::string DownloadName(const feed::Hash& hash) {
  return std::string(kDownloadFolder) + "\\" + feed::HexText(hash.data(), hash.size());
}

std::uint64_t BytesStillNeeded(const feed::Release& target, const std::vector<std::size_t>& fetch,
                               const std::vector<std::uint64_t>& have) {
  std::uint64_t needed = kSpaceMargin;
  for (std::size_t i = 0; i < fetch.size() && fetch[i] < target.files.size(); ++i) {
    const std::uint64_t size = target.files[fetch[i]].content.size;
    // A partial file longer than its content is thrown away (PlanRangeRequest).
    const std::uint64_t there = i < have.size() && have[i] <= size ? have[i] : 0;
    needed += size - there;
  }
  return needed;
}

FetchStep DecideAfterFetch(FetchResult result, int attempt) {
  switch (result) {
    case FetchResult::kAlreadyThere:
      return {AfterFetch::kNextFile, {kMsgFileAlreadyThere}};
    case FetchResult::kReceived:
      return {AfterFetch::kNextFile, {kMsgFileReceived}};
    case FetchResult::kHashMismatch:
      if (attempt < 2) return {AfterFetch::kFetchAgain, {kMsgFileCorruptedRetry}};
      return {AfterFetch::kGiveUp, {kMsgDownloadFailed, kMsgPleaseTryAgain}};
    case FetchResult::kFailed:
      return {AfterFetch::kGiveUp, {kMsgDownloadFailed, kMsgPleaseTryAgain}};
    case FetchResult::kCancelled:
      return {AfterFetch::kStop, {kMsgCancelled}};
  }
  return {};
}

int ExitCode(Finish finish) {
  switch (finish) {
    case Finish::kUpToDate:
    case Finish::kUpdated:
      return 0;
    case Finish::kFailed:
      return 1;
    case Finish::kNoConnection:
      return 2;
    case Finish::kVerificationFailed:
      return 3;
    case Finish::kFileHeld:
      return 4;
    case Finish::kClientTooOld:
      return 5;
    case Finish::kNothingToFetch:
      return 6;
    case Finish::kNeedsRights:
      return 7;
    case Finish::kFolderUnprotected:
      return 8;
  }
  return 1;
}

ServerListStep DecideServerList(bool installedIsIndexed, bool fetched, bool needsElevatedApply,
                                bool applyFollows) {
  if (installedIsIndexed) return ServerListStep::kInPlace;
  if (!fetched) return ServerListStep::kMissing;
  if (!needsElevatedApply) return ServerListStep::kPlace;
  return applyFollows ? ServerListStep::kForElevatedApply : ServerListStep::kUntilNextApply;
}

Finish FinishAfterCheck(Verdict verdict) {
  switch (verdict) {
    case Verdict::kUpToDate:
      return Finish::kUpToDate;
    case Verdict::kNewFiles:
    case Verdict::kUpdaterSelfUpdate:
      return Finish::kUpdated;
    case Verdict::kNoConnection:
    case Verdict::kNoIndex:
      return Finish::kNoConnection;
    case Verdict::kBadIndex:
      return Finish::kVerificationFailed;
    case Verdict::kClientTooOld:
    case Verdict::kClientUnknown:
      return Finish::kClientTooOld;
    case Verdict::kNoUpdateFiles:
      return Finish::kNothingToFetch;
    case Verdict::kClientNewer:
    case Verdict::kUpdaterTooOld:
    case Verdict::kUpdaterMissing:
      return Finish::kFailed;
  }
  return Finish::kFailed;
}

}  // namespace updater
