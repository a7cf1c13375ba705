// The steps of a session that change the disk outside its download folder: this
// program's own replacement and the apply of a release.
#include <windows.h>

#include "feed_cng_win.h"
#include "feed_reader.h"
#include "installation_win.h"
#include "release_apply_win.h"
#include "s_lang.h"
#include "s_logging.h"
#include "s_small_file_win.h"
#include "s_tree_remover_win.h"
#include "update_files_win.h"
#include "update_session_win.h"
#include "updater_flow.h"
#include "updater_msg_ids.h"

namespace updater {

namespace {

constexpr char kUnit[] = "_updater/update_session_apply";

std::string Hex(const feed::Hash& hash) {
  return feed::HexText(hash.data(), hash.size());
}

// Where the player's "Yes" to the patch notes' question opens them.
std::string PatchNotesPath(const Installation& installation) {
  return installation.directory + "\\" + kPatchNotesNames[installation.language == 0 ? 0 : 1];
}

// The running file cannot be overwritten but can be renamed: aside in its own folder,
// the new one moved in under its name. The old one goes at the next start.
bool ReplaceRunningProgram(const std::string& replacement) {
  const std::string own = OwnPath();
  const std::string aside = FolderOf(own) + "\\" + kReplacedUpdaterName;
  DeleteFileA(aside.c_str());
  if (own.empty() || !MoveFileExA(own.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
  if (MoveFileExA(replacement.c_str(), own.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
    return true;
  const DWORD error = GetLastError();
  MoveFileExA(aside.c_str(), own.c_str(), MOVEFILE_WRITE_THROUGH);
  SetLastError(error);
  return false;
}

}  // namespace

SessionResult UpdateSession::UpdateSelf() {
  if (!MakeFolders(downloadFolder_)) {
    Say({kMsgDownloadFailed, kMsgPleaseTryAgain});
    return {Finish::kFailed};
  }
  const std::string path = downloadFolder_ + "\\" + Hex(index_.updater.hash);
  GetStatus status = GetStatus::kOk;
  const AfterFetch next =
      FetchOne(kUpdaterProgramName, index_.updater, path, 0, index_.updater.size, status);
  if (next == AfterFetch::kStop) return {Finish::kFailed};
  if (next == AfterFetch::kGiveUp) {
    if (status == GetStatus::kNotFound) Say({kMsgUpdaterNotFound, kMsgInformOnWebsites});
    return {FinishAfterFailedFetch(status)};
  }
  if (NeedsElevatedApply()) {
    SaveIndex();
    SessionResult result{Finish::kUpdated};
    result.selfUpdateElevated = true;
    return result;
  }
  if (!ReplaceRunningProgram(path)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot replace %s: error %lu", OwnPath().c_str(),
                          GetLastError());
    Say(kMsgCannotCopyUpdater);
    Say(kMsgInformOnWebsites);
    return {Finish::kFailed};
  }
  Say(kMsgUpdaterDownloaded);
  SessionResult result{Finish::kUpdated};
  result.restartSelf = true;
  return result;
}

SessionResult UpdateSession::ApplyHere() {
  ApplyRequest request;
  request.installation = installation_;
  request.target = target_;
  for (const std::size_t i : fetch_) {
    request.files.push_back(i);
    request.downloads.push_back(downloadFolder_ + "\\" + Hex(target_->files[i].content.hash));
  }
  Say(kMsgInstallingFiles);
  const ApplyOutcome outcome = ApplyRelease(request);
  CLog::Instance()->Log(1, kUnit, __LINE__, "apply: status %d, %s, error %lu",
                        static_cast<int>(outcome.status), outcome.name.c_str(), outcome.error);
  const ApplyReport report = DescribeApply(outcome.status);
  for (std::size_t i = 0; i < report.messages.size(); ++i)
    Say(report.messages[i], i == 0 && report.nameShown ? outcome.name : std::string());
  const bool notesPlaced = report.finish == Finish::kUpdated && PlacePatchNotes();
  if (report.finish == Finish::kUpdated) {
    // Nothing in the folder is of use once the release is in place: what the apply did
    // not take along, the notes, the saved index, and a patch or compressed file that an
    // earlier run cut off or that lost to another way. Through the walker, which leaves a
    // link in the folder's place alone.
    tree::TreeRemover walker(installation_.directory);
    const tree::Result removed = walker.RemoveTree(kDownloadFolder);
    if (removed.outcome == tree::Outcome::Failed || removed.outcome == tree::Outcome::NotEmpty)
      CLog::Instance()->Log(1, kUnit, __LINE__, "%s stays: error %lu", downloadFolder_.c_str(),
                            removed.error);
  }
  SessionResult result{report.finish};
  // Asked only when the notes the question offers are there to read.
  result.askPatchNotes = report.askPatchNotes && notesPlaced;
  return result;
}

CheckOutcome UpdateSession::DecideFromSaved(const std::string& folder) {
  DWORD error = ERROR_SUCCESS;
  ReadSmallFile(folder + "\\" + kSavedIndexName, kIndexLimit, indexBytes_, error);
  feed::ReadProblem problem = feed::ReadProblem::kNone;
  std::string url;
  feed::PublicKey key{};
  if (LoadFeedResources(url, key)) feedBase_ = FeedBase(url);
  // Checked as the unelevated updater checked it, rotation records fetched again: an
  // older index cannot slip in here, and the decision is made again from the
  // installation as it is now.
  if (!client_.Open(kUserAgent)) CLog::Instance()->Log(1, kUnit, __LINE__, "no HTTP client");
  ReadFeed(indexBytes_, problem);
  downloadFolder_ = installation_.directory + "\\" + kDownloadFolder;
  const CheckOutcome outcome =
      Decide(indexBytes_.empty() ? IndexFetch::kNotFound : IndexFetch::kReceived, problem);
  KeepKeySet(outcome);
  return outcome;
}

// The files came from a folder the player can change: only what hashes right here counts.
std::string UpdateSession::CopyVerified(const std::string& from, const feed::ContentRef& content) {
  const std::string to = downloadFolder_ + "\\" + Hex(content.hash);
  feed::Hash hash{};
  if (MakeFolders(downloadFolder_) && CopyFileA(from.c_str(), to.c_str(), FALSE) &&
      FileSha256(to, hash) && hash == content.hash && FileSize(to) == content.size)
    return to;
  CLog::Instance()->Log(1, kUnit, __LINE__, "%s does not verify", from.c_str());
  DeleteFileA(to.c_str());
  return {};
}

SessionResult UpdateSession::ApplyFrom(const std::string& folder) {
  const CheckOutcome outcome = DecideFromSaved(folder);
  if (outcome.verdict != Verdict::kNewFiles) {
    Say(outcome.messages);
    return {FinishAfterCheck(outcome.verdict)};
  }
  target_ = outcome.target;
  fetch_ = outcome.fetch;
  for (const std::size_t i : fetch_) {
    const feed::ContentRef& content = target_->files[i].content;
    if (CopyVerified(folder + "\\" + Hex(content.hash), content).empty()) {
      Say({kMsgDownloadFailed, kMsgPleaseTryAgain});
      return {Finish::kVerificationFailed};
    }
  }
  // The server list the player's process fetched and could not place, verified here.
  if (index_.serverList.present()) {
    const std::string fetched = folder + "\\" + Hex(index_.serverList.hash);
    const std::string copied =
        FileSize(fetched) != 0 ? CopyVerified(fetched, index_.serverList) : std::string();
    const std::string list = installation_.directory + "\\" + kServerListName;
    if (!copied.empty() && !MoveFileExA(copied.c_str(), list.c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      CLog::Instance()->Log(1, kUnit, __LINE__, "server list not placed: error %lu",
                            GetLastError());
  }
  // The player's process fetched the notes; they count only as they hash here.
  notesDownload_.clear();
  if (const feed::ContentRef* notes = PatchNotesFor(*target_, installation_.language))
    notesDownload_ = CopyVerified(folder + "\\" + Hex(notes->hash), *notes);
  return ApplyHere();
}

// Written apart and renamed over the notes of an earlier release.
bool UpdateSession::PlacePatchNotes() {
  if (notesDownload_.empty()) return false;
  const std::string to = PatchNotesPath(installation_);
  const std::string partial = to + ".partial";
  const bool placed =
      CopyFileA(notesDownload_.c_str(), partial.c_str(), FALSE) &&
      MoveFileExA(partial.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!placed) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot place %s: error %lu", to.c_str(),
                          GetLastError());
    DeleteFileA(partial.c_str());
  }
  return placed;
}

bool UpdateSession::PatchNotesInPlace() const {
  const feed::ContentRef* notes =
      target_ == nullptr ? nullptr : PatchNotesFor(*target_, installation_.language);
  feed::Hash hash{};
  const std::string path = PatchNotesPath(installation_);
  return notes != nullptr && FileSha256(path, hash) && hash == notes->hash &&
         FileSize(path) == notes->size;
}

SessionResult UpdateSession::ReplaceSelfFrom(const std::string& folder) {
  const CheckOutcome outcome = DecideFromSaved(folder);
  if (outcome.verdict != Verdict::kUpdaterSelfUpdate) {
    Say(outcome.messages);
    return {FinishAfterCheck(outcome.verdict)};
  }
  const std::string copy = CopyVerified(folder + "\\" + Hex(index_.updater.hash), index_.updater);
  if (copy.empty()) {
    Say({kMsgDownloadFailed, kMsgPleaseTryAgain});
    return {Finish::kVerificationFailed};
  }
  if (!ReplaceRunningProgram(copy)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot replace %s: error %lu", OwnPath().c_str(),
                          GetLastError());
    DeleteFileA(copy.c_str());
    Say({kMsgCannotCopyUpdater, kMsgInformOnWebsites});
    return {Finish::kFailed};
  }
  RemoveDirectoryA(downloadFolder_.c_str());
  Say(kMsgUpdaterDownloaded);
  return {Finish::kUpdated};
}

}  // namespace updater
