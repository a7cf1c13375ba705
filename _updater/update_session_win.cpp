#include "update_session_win.h"

#include <windows.h>

#include <ctime>

#include "feed_cng_win.h"
#include "feed_reader.h"
#include "installation_win.h"
#include "s_handle_win.h"
#include "s_lang.h"
#include "s_logging.h"
#include "size_text.h"
#include "update_files_win.h"
#include "updater_flow.h"
#include "updater_msg_ids.h"
#include "user_settings_win.h"

namespace updater {

namespace {

constexpr char kUnit[] = "_updater/update_session";
constexpr char kAgent[] = "Tidemoor Updater";
constexpr std::size_t kRotationLimit = 64 * 1024;
constexpr int kRotationDepth = 8;

const char* Msg(std::uint32_t id) {
  const char* text = CLang::GetText(id);
  return text != nullptr ? text : "";
}

std::string Hex(const feed::Hash& hash) {
  return feed::HexText(hash.data(), hash.size());
}

IndexFetch IndexFetchOf(GetStatus status) {
  if (status == GetStatus::kOk) return IndexFetch::kReceived;
  if (status == GetStatus::kNotFound) return IndexFetch::kNotFound;
  return IndexFetch::kNoConnection;
}

}  // namespace

UpdateSession::UpdateSession(const Installation& installation, SessionObserver& observer,
                             bool elevated)
    : installation_(installation), observer_(observer), elevated_(elevated) {
  downloadFolder_ = NeedsElevatedApply() ? UserDownloadFolder()
                                         : installation_.directory + "\\" + kDownloadFolder;
}

void UpdateSession::Say(std::uint32_t id, const std::string& detail) {
  const std::string line = Msg(id) + detail;
  CLog::Instance()->Log(1, kUnit, __LINE__, "%s", line.c_str());
  observer_.Line(line);
}

void UpdateSession::Say(const std::vector<std::uint32_t>& ids) {
  for (const std::uint32_t id : ids) Say(id);
}

// Signed by a key the program does not carry: the feed's rotation records lead from a
// trusted key to it, each signed by the key before.
bool UpdateSession::TrustKeyOf(const feed::KeyId& id, int depth) {
  for (const feed::TrustedKey& key : trusted_)
    if (key.id == id) return true;
  if (depth >= kRotationDepth) return false;
  std::vector<std::uint8_t> record;
  const std::string url = feedBase_ + "keys/" + feed::HexText(id.data(), id.size()) + ".rot";
  if (client_.GetDocument(url, kRotationLimit, record, &cancel_) != GetStatus::kOk) return false;
  feed::Envelope envelope;
  if (feed::ReadEnvelope(record.data(), record.size(), feed::kRotationMagic, envelope) !=
          feed::ReadProblem::kNone ||
      !TrustKeyOf(envelope.keyId, depth + 1))
    return false;
  feed::Rotation rotation;
  feed::TrustedKey next;
  if (feed::ReadRotation(record.data(), record.size(), trusted_, feed::VerifyWithCng, rotation) !=
          feed::ReadProblem::kNone ||
      !feed::KeyIdWithCng(rotation.newKey, next.id) || next.id != id)
    return false;
  next.key = rotation.newKey;
  trusted_.push_back(next);
  CLog::Instance()->Log(1, kUnit, __LINE__, "key %s accepted through its rotation record",
                        feed::HexText(id.data(), id.size()).c_str());
  return true;
}

bool UpdateSession::ReadFeed(const std::vector<std::uint8_t>& bytes, feed::ReadProblem& problem) {
  std::string url;
  feed::TrustedKey key;
  if (!LoadFeedResources(url, key.key) || !feed::KeyIdWithCng(key.key, key.id)) {
    problem = feed::ReadProblem::kUnknownKey;
    return false;
  }
  trusted_ = {key};
  problem = feed::ReadIndex(bytes.data(), bytes.size(), trusted_, feed::VerifyWithCng, index_);
  feed::Envelope envelope;
  if (problem == feed::ReadProblem::kUnknownKey &&
      feed::ReadEnvelope(bytes.data(), bytes.size(), feed::kIndexMagic, envelope) ==
          feed::ReadProblem::kNone &&
      TrustKeyOf(envelope.keyId, 0))
    problem = feed::ReadIndex(bytes.data(), bytes.size(), trusted_, feed::VerifyWithCng, index_);
  if (problem != feed::ReadProblem::kNone)
    CLog::Instance()->Log(1, kUnit, __LINE__, "the index: %s", feed::ProblemText(problem));
  return problem == feed::ReadProblem::kNone;
}

CheckOutcome UpdateSession::Decide(IndexFetch fetch, feed::ReadProblem problem) {
  CheckInput input;
  input.fetch = fetch;
  input.problem = problem;
  input.highestSerialSeen = HighestSerial();
  input.nowUnixSeconds = static_cast<std::uint64_t>(std::time(nullptr));
  input.installedKnown = installation_.versionKnown;
  input.installed = installation_.version;
  const feed::Release* newest = nullptr;
  if (fetch == IndexFetch::kReceived && problem == feed::ReadProblem::kNone) {
    input.index = &index_;
    newest = NewestRelease(index_);
    feed::Hash own{};
    if (!FileSha256(OwnPath(), own)) own = {};
    input.updaterOwn = OwnUpdaterVersion(own, index_, installation_.version);
  }
  if (newest != nullptr) {
    for (const feed::ReleaseFile& file : newest->files) {
      std::string name;
      input.local.push_back(InstallName(file.name, name)
                                ? LocalFacts(installation_.directory + "\\" + name)
                                : LocalFile{});
    }
    // Only a file whose size matches but whose time does not is read through.
    for (const std::size_t i : FilesToHash(*newest, input.local)) {
      std::string name;
      InstallName(newest->files[i].name, name);
      input.local[i].hashed =
          FileSha256(installation_.directory + "\\" + name, input.local[i].hash);
    }
  }
  return DecideCheck(input);
}

SessionResult UpdateSession::CheckAndDownload() {
  Say(kMsgCheckingVersion);
  std::string url;
  feed::PublicKey key{};
  if (!LoadFeedResources(url, key)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "this program carries no feed");
    Say(kMsgBadVersionIndex);
    return {Finish::kVerificationFailed};
  }
  feedBase_ = contentBase_ = FeedBase(url);
  observer_.Server(ServerName(feedBase_));
  if (!client_.Open(kAgent)) {
    Say(kMsgConnectionFailed);
    return {Finish::kNoConnection};
  }
  CLog::Instance()->Log(1, kUnit, __LINE__, "the index from %s", IndexUrl(feedBase_).c_str());
  const GetStatus got =
      client_.GetDocument(IndexUrl(feedBase_), kIndexLimit, indexBytes_, &cancel_);
  if (got == GetStatus::kCancelled || cancel_) {
    Say(kMsgCancelled);
    return {Finish::kFailed};
  }
  feed::ReadProblem problem = feed::ReadProblem::kNone;
  if (got == GetStatus::kOk && ReadFeed(indexBytes_, problem) && !index_.mirrors.empty()) {
    contentBase_ = FeedBase(index_.mirrors.front());
    observer_.Server(ServerName(contentBase_));
  }
  const CheckOutcome outcome = Decide(IndexFetchOf(got), problem);
  if (!outcome.refusedName.empty())
    CLog::Instance()->Log(1, kUnit, __LINE__,
                          "the index names \"%s\", which no installation may hold",
                          outcome.refusedName.c_str());
  if (outcome.serialToKeep > HighestSerial()) SetHighestSerial(outcome.serialToKeep);
  target_ = outcome.target;
  if (outcome.verdict == Verdict::kNewFiles) {
    const std::string line = NewFilesLine(outcome.fetch.size(), outcome.fetchBytes);
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s", line.c_str());
    observer_.Line(line);
    // The release the update brings.
    observer_.Line(outcome.target->title + " (" + VersionText(outcome.target->version) + ")");
    const SizeText size = DescribeSize(outcome.fetchBytes);
    observer_.UpdateSize(size.number + Msg(size.unitId));
  } else {
    Say(outcome.messages);
  }
  if (outcome.target != nullptr && index_.serverList.present()) FetchServerList();
  if (outcome.verdict == Verdict::kUpdaterSelfUpdate) return UpdateSelf();
  if (outcome.verdict == Verdict::kNewFiles) return Download(outcome);
  return {FinishAfterCheck(outcome.verdict)};
}

// Into the installation directory under its fixed name, once verified; a failure leaves
// the list the game had.
void UpdateSession::FetchServerList() {
  Say(kMsgLoadingServerList);
  const std::string folder = downloadFolder_;
  const std::string path = folder + "\\" + Hex(index_.serverList.hash);
  const FileGetResult got = MakeFolders(folder)
                                ? client_.GetFile(ContentUrl(contentBase_, index_.serverList.hash),
                                                  path, index_.serverList, {}, &cancel_)
                                : FileGetResult{GetStatus::kWriteFailed};
  const std::string list = installation_.directory + "\\" + kServerListName;
  if (got.status != GetStatus::kOk || !CopyFileA(path.c_str(), list.c_str(), FALSE)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "server list: status %d, error %lu",
                          static_cast<int>(got.status),
                          got.error != 0 ? got.error : GetLastError());
    Say(kMsgServerListMissing);
    Say(kMsgServerMaintenance);
  }
  DeleteFileA(path.c_str());
  // Made for the list alone, the folder goes again; one holding downloads stays.
  RemoveDirectoryA(folder.c_str());
}

AfterFetch UpdateSession::FetchOne(const std::string& name, const feed::ContentRef& content,
                                   const std::string& path, std::uint64_t done, std::uint64_t total,
                                   GetStatus& status) {
  Say(kMsgReceivingFile, name);
  for (int attempt = 1;; ++attempt) {
    const FileGetResult got = client_.GetFile(
        ContentUrl(contentBase_, content.hash), path, content,
        [this, done, total](std::uint64_t onDisk) { observer_.Progress(done + onDisk, total); },
        &cancel_);
    status = got.status;
    CLog::Instance()->Log(1, kUnit, __LINE__,
                          "%s: status %d, resumed from %llu, received %llu, error %lu",
                          path.c_str(), static_cast<int>(got.status),
                          static_cast<unsigned long long>(got.resumedFrom),
                          static_cast<unsigned long long>(got.received), got.error);
    const FetchStep step = DecideAfterFetch(FetchResultOf(got.status, got.alreadyThere), attempt);
    Say(step.messages);
    if (step.next != AfterFetch::kFetchAgain) return step.next;
  }
}

SessionResult UpdateSession::Download(const CheckOutcome& outcome) {
  fetch_ = outcome.fetch;
  if (!MakeFolders(downloadFolder_)) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot make %s", downloadFolder_.c_str());
    Say({kMsgDownloadFailed, kMsgPleaseTryAgain});
    return {Finish::kFailed};
  }
  std::vector<std::uint64_t> have;
  for (const std::size_t i : fetch_)
    have.push_back(FileSize(downloadFolder_ + "\\" + Hex(target_->files[i].content.hash)));
  const std::uint64_t needed = BytesStillNeeded(*target_, fetch_, have);
  const std::uint64_t free = FreeBytes(downloadFolder_);
  if (free < needed) {
    const SizeText neededText = DescribeSize(needed), freeText = DescribeSize(free);
    Say(kMsgDownloadFailed);
    Say(kMsgRequiredSpace, " " + neededText.number + Msg(neededText.unitId));
    Say(kMsgAvailableSpace, " " + freeText.number + Msg(freeText.unitId));
    return {Finish::kFailed};
  }
  std::uint64_t done = 0;
  for (const std::size_t i : fetch_) {
    const feed::ReleaseFile& file = target_->files[i];
    GetStatus status = GetStatus::kOk;
    const AfterFetch next = FetchByWays(file, done, outcome.fetchBytes, status);
    if (next == AfterFetch::kStop) return {Finish::kFailed};
    if (next == AfterFetch::kGiveUp) return {FinishAfterFailedFetch(status)};
    done += file.content.size;
  }
  observer_.Progress(outcome.fetchBytes, outcome.fetchBytes);
  Say(kMsgDownloadFinished);
  FetchPatchNotes();
  SaveIndex();
  SessionResult result{Finish::kUpdated};
  result.readyToApply = true;
  return result;
}

void UpdateSession::FetchPatchNotes() {
  notesDownload_.clear();
  const feed::ContentRef* notes = PatchNotesFor(*target_, installation_.language);
  if (notes == nullptr) return;
  Say(kMsgReceivingDocument, Msg(kMsgPatchNotesFile));
  const std::string path = downloadFolder_ + "\\" + Hex(notes->hash);
  const FileGetResult got =
      client_.GetFile(ContentUrl(contentBase_, notes->hash), path, *notes, {}, &cancel_);
  if (got.status != GetStatus::kOk) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "patch notes: status %d, error %lu",
                          static_cast<int>(got.status), got.error);
    return;
  }
  Say(kMsgDownloadFinished);
  notesDownload_ = path;
}

// The elevated child reads the same verified index again.
void UpdateSession::SaveIndex() {
  const std::string saved = downloadFolder_ + "\\" + kSavedIndexName;
  const handles::Handle file(CreateFileA(saved.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  const bool savedOk = file &&
                       WriteFile(file.get(), indexBytes_.data(),
                                 static_cast<DWORD>(indexBytes_.size()), &written, nullptr) &&
                       written == indexBytes_.size();
  if (!savedOk) CLog::Instance()->Log(1, kUnit, __LINE__, "cannot save %s", saved.c_str());
}

}  // namespace updater
