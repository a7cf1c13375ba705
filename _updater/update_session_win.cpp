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
constexpr std::size_t kRotationLimit = 64 * 1024;

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

bool UpdateSession::ReadFeed(const std::vector<std::uint8_t>& bytes, feed::ReadProblem& problem) {
  std::string url;
  feed::PublicKey key{};
  const std::string product = FeedProduct();
  if (!LoadFeedResources(url, key) || product.empty()) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "this program carries no feed key or product");
    problem = feed::ReadProblem::kUnknownKey;
    return false;
  }
  // The key built in is only where an installation that has accepted nothing starts.
  feed::KeySet set;
  if (!ReadKeySet(installation_.allUsers, set)) set = {{key}, 0};
  const feed::TrustTools tools{
      feed::VerifyWithCng, feed::KeyIdWithCng,
      [this](const feed::KeyId& id, std::vector<std::uint8_t>& record) {
        const std::string rotation =
            feedBase_ + "keys/" + feed::HexText(id.data(), id.size()) + ".rot";
        return client_.GetDocument(rotation, kRotationLimit, record, &cancel_) == GetStatus::kOk;
      }};
  trust_ = feed::ReadTrustedIndex(bytes.data(), bytes.size(), set, product, tools, index_);
  problem = trust_.problem;
  if (problem != feed::ReadProblem::kNone)
    CLog::Instance()->Log(1, kUnit, __LINE__, "the index %s: %s", feed::ProblemText(problem),
                          trust_.detail.c_str());
  else if (trust_.rotations > 0)
    CLog::Instance()->Log(1, kUnit, __LINE__, "key %s accepted through %u rotation records",
                          feed::HexText(trust_.signer.data(), trust_.signer.size()).c_str(),
                          static_cast<unsigned>(trust_.rotations));
  return problem == feed::ReadProblem::kNone;
}

// The set moves on only with an index that was accepted and fresh: the index's keys at
// its serial. A current-user installation keeps it under the player's key; an
// all-users one where only administrators write, which the elevated apply does.
void UpdateSession::KeepKeySet(const CheckOutcome& outcome) {
  if (outcome.serialToKeep == 0 || (installation_.allUsers && !elevated_)) return;
  if (!WriteKeySet(installation_.allUsers, trust_.next))
    CLog::Instance()->Log(1, kUnit, __LINE__, "cannot keep the accepted keys: error %lu",
                          GetLastError());
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
  CheckOutcome outcome = DecideCheck(input);
  if (!outcome.refusal.empty())
    CLog::Instance()->Log(1, kUnit, __LINE__, "the index is refused: %s", outcome.refusal.c_str());
  return outcome;
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
  if (!client_.Open(kUserAgent)) {
    Say(kMsgConnectionFailed);
    return {Finish::kNoConnection};
  }
  client_.SetNotice([](const std::string& line) {
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s", line.c_str());
  });
  const IndexTry tried = FetchIndex(FeedBase(url));
  if (cancel_) {
    Say(kMsgCancelled);
    return {Finish::kFailed};
  }
  const CheckOutcome outcome = Decide(tried.fetch, tried.problem);
  if (!outcome.refusedName.empty())
    CLog::Instance()->Log(1, kUnit, __LINE__,
                          "the index names \"%s\", which no installation may hold",
                          outcome.refusedName.c_str());
  if (outcome.serialToKeep > HighestSerial()) SetHighestSerial(outcome.serialToKeep);
  KeepKeySet(outcome);
  target_ = outcome.target;
  if (outcome.verdict == Verdict::kNewFiles) {
    // The installed files are hashed once, here, for the patches that start from them.
    ways_.clear();
    for (const std::size_t i : outcome.fetch) ways_.push_back(WaysFor(target_->files[i]));
    const std::uint64_t bytes = BytesToFetch(ways_);
    const std::string line = NewFilesLine(outcome.fetch.size(), bytes);
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s (%llu bytes as plain files)", line.c_str(),
                          static_cast<unsigned long long>(outcome.fetchBytes));
    observer_.Line(line);
    // The release the update brings.
    observer_.Line(outcome.target->title + " (" + VersionText(outcome.target->version) + ")");
    const SizeText size = DescribeSize(bytes);
    observer_.UpdateSize(size.number + Msg(size.unitId));
  } else {
    Say(outcome.messages);
  }
  if (outcome.target != nullptr && index_.serverList.present())
    FetchServerList(outcome.verdict == Verdict::kNewFiles);
  if (outcome.verdict == Verdict::kUpdaterSelfUpdate) return UpdateSelf();
  if (outcome.verdict == Verdict::kNewFiles) return Download(outcome);
  return {FinishAfterCheck(outcome.verdict)};
}

IndexTry UpdateSession::FetchIndex(const std::string& carried) {
  const std::vector<std::string> sources = IndexSources(carried, RememberedMirrors());
  std::vector<IndexTry> tries;
  std::vector<std::uint8_t> reportBytes;
  feed::Index reportIndex;
  for (std::size_t i = 0; i < sources.size() && !cancel_; ++i) {
    feedBase_ = sources[i];
    observer_.Server(ServerName(feedBase_));
    CLog::Instance()->Log(1, kUnit, __LINE__, "the index from %s", IndexUrl(feedBase_).c_str());
    IndexTry tried;
    tried.fetch =
        IndexFetchOf(client_.GetDocument(IndexUrl(feedBase_), kIndexLimit, indexBytes_, &cancel_));
    if (tried.fetch == IndexFetch::kReceived && ReadFeed(indexBytes_, tried.problem))
      tried.freshness = feed::CheckFreshness(index_, HighestSerial(),
                                             static_cast<std::uint64_t>(std::time(nullptr)));
    const MirrorReason reason = IndexReason(tried);
    if (reason == MirrorReason::kNone) {
      mirrors_ = ContentSources(index_.mirrors, feedBase_);
      mirrorsDown_.assign(mirrors_.size(), false);
      mirrorInUse_ = kNoMirror;
      SetRememberedMirrors(mirrors_);
      UseMirror(0);
      return tried;
    }
    CLog::Instance()->Log(1, kUnit, __LINE__, "update server %s: %s; %s%s", feedBase_.c_str(),
                          ReasonText(reason),
                          i + 1 < sources.size() ? "the index from the next, " : "none left",
                          i + 1 < sources.size() ? sources[i + 1].c_str() : "");
    tries.push_back(tried);
    if (IndexTryToReport(tries) == i) {
      reportBytes = indexBytes_;
      reportIndex = index_;
    }
  }
  if (tries.empty()) return {};
  // The check reports the most telling answer, on the index that gave it.
  indexBytes_ = reportBytes;
  index_ = reportIndex;
  return tries[IndexTryToReport(tries)];
}

void UpdateSession::UseMirror(std::size_t mirror) {
  if (mirror == mirrorInUse_ || mirror >= mirrors_.size()) return;
  mirrorInUse_ = mirror;
  CLog::Instance()->Log(1, kUnit, __LINE__, "files from %s", mirrors_[mirror].c_str());
  observer_.Server(ServerName(mirrors_[mirror]));
}

FileGetResult UpdateSession::FetchFromMirrors(const feed::ContentRef& content,
                                              const std::string& path,
                                              const ProgressFunction& progress, bool say,
                                              AfterFetch& next) {
  std::size_t at = FirstMirror(mirrorsDown_);
  FileGetResult got{GetStatus::kNoConnection};
  for (int attempt = 1; at != kNoMirror; ++attempt) {
    UseMirror(at);
    got =
        client_.GetFile(ContentUrl(mirrors_[at], content.hash), path, content, progress, &cancel_);
    CLog::Instance()->Log(1, kUnit, __LINE__,
                          "%s: status %d, resumed from %llu, received %llu, error %lu",
                          path.c_str(), static_cast<int>(got.status),
                          static_cast<unsigned long long>(got.resumedFrom),
                          static_cast<unsigned long long>(got.received), got.error);
    const FileStep step = DecideFileStep(got.status, got.alreadyThere, attempt, at, mirrorsDown_);
    if (step.reason != MirrorReason::kNone)
      CLog::Instance()->Log(1, kUnit, __LINE__, "update server %s: %s; %s%s", mirrors_[at].c_str(),
                            ReasonText(step.reason),
                            step.switched                          ? "the file from the next, "
                            : step.next == AfterFetch::kFetchAgain ? "once more from it"
                                                                   : "none left",
                            step.switched ? mirrors_[step.mirror].c_str() : "");
    if (say) Say(step.messages);
    next = step.next;
    if (step.next != AfterFetch::kFetchAgain) return got;
    at = step.mirror;
  }
  // Every mirror given up earlier in this run.
  next = AfterFetch::kGiveUp;
  if (say) Say({kMsgDownloadFailed, kMsgPleaseTryAgain});
  return got;
}

// Into the installation directory under its fixed name, once verified; a failure leaves
// the list the game had.
void UpdateSession::FetchServerList(bool applyFollows) {
  Say(kMsgLoadingServerList);
  const std::string folder = downloadFolder_;
  const std::string path = folder + "\\" + Hex(index_.serverList.hash);
  const std::string list = installation_.directory + "\\" + kServerListName;
  feed::Hash installed{};
  const bool inPlace = FileSize(list) == index_.serverList.size && FileSha256(list, installed) &&
                       installed == index_.serverList.hash;
  AfterFetch next = AfterFetch::kGiveUp;
  FileGetResult got{GetStatus::kOk};
  if (!inPlace)
    got = MakeFolders(folder) ? FetchFromMirrors(index_.serverList, path, {}, false, next)
                              : FileGetResult{GetStatus::kWriteFailed};
  const ServerListStep step =
      DecideServerList(inPlace, got.status == GetStatus::kOk, NeedsElevatedApply(), applyFollows);
  CLog::Instance()->Log(1, kUnit, __LINE__, "server list: step %d, status %d, error %lu",
                        static_cast<int>(step), static_cast<int>(got.status), got.error);
  if (step == ServerListStep::kInPlace || step == ServerListStep::kForElevatedApply) return;
  if (step == ServerListStep::kMissing ||
      (step == ServerListStep::kPlace && !CopyFileA(path.c_str(), list.c_str(), FALSE))) {
    if (step == ServerListStep::kPlace)
      CLog::Instance()->Log(1, kUnit, __LINE__, "server list not placed: error %lu",
                            GetLastError());
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
  AfterFetch next = AfterFetch::kGiveUp;
  status =
      FetchFromMirrors(
          content, path,
          [this, done, total](std::uint64_t onDisk) { observer_.Progress(done + onDisk, total); },
          true, next)
          .status;
  return next;
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
  std::uint64_t done = 0, total = BytesToFetch(ways_);
  for (std::size_t k = 0; k < fetch_.size(); ++k) {
    GetStatus status = GetStatus::kOk;
    const AfterFetch next = FetchByWays(target_->files[fetch_[k]], ways_[k], done, total, status);
    if (next == AfterFetch::kStop) return {Finish::kFailed};
    if (next == AfterFetch::kGiveUp) return {FinishAfterFailedFetch(status)};
  }
  observer_.Progress(total, total);
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
  AfterFetch next = AfterFetch::kGiveUp;
  const FileGetResult got = FetchFromMirrors(*notes, path, {}, false, next);
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
