// The smaller ways to a file of the release: a patch from the installed file, or the
// compressed whole, each downloaded whole (resumed as any download), checked against
// its own SHA-256, then decoded into the plain download the apply takes as before.
#include <windows.h>

#include "decode_file_win.h"
#include "mirror_order.h"
#include "s_logging.h"
#include "update_files_win.h"
#include "update_session_win.h"
#include "updater_flow.h"
#include "updater_msg_ids.h"

namespace updater {

namespace {

constexpr char kUnit[] = "_updater/update_session_forms";

}  // namespace

std::vector<FetchWay> UpdateSession::WaysFor(const feed::ReleaseFile& file) {
  const std::string plain =
      downloadFolder_ + "\\" + feed::HexText(file.content.hash.data(), file.content.hash.size());
  const feed::ContentForms* forms = feed::FormsOf(index_, file.content.hash);
  // A plain download an earlier run began, or decoded, is resumed or taken as it is.
  if (forms == nullptr || FileSize(plain) > 0) return {{Way::kWhole, file.content, {}}};
  feed::Hash installed{};
  std::string name;
  const bool hashed = !forms->patches.empty() && InstallName(file.name, name) &&
                      FileSha256(installation_.directory + "\\" + name, installed);
  return WaysToFetch(index_, file.content, hashed ? &installed : nullptr);
}

WayResult UpdateSession::FetchForm(const feed::ReleaseFile& file, const FetchWay& way,
                                   std::uint64_t done, std::uint64_t total) {
  const std::string download = downloadFolder_ + "\\" + WayDownloadName(way);
  const std::string plain =
      downloadFolder_ + "\\" + feed::HexText(file.content.hash.data(), file.content.hash.size());
  // The bar and the size line count the bytes that travel.
  const auto progress = [this, done, total](std::uint64_t onDisk) {
    observer_.Progress(done + onDisk, total);
  };
  // From the mirror in use: a form it lacks falls back to the next way, and the plain
  // file tries every mirror.
  const std::size_t mirror = FirstMirror(mirrorsDown_);
  if (mirror == kNoMirror) return WayResult::kFetchFailed;
  UseMirror(mirror);
  const FileGetResult got = client_.GetFile(mirrors_[mirror] + WayPath(way, file.content.hash),
                                            download, way.file, progress, &cancel_);
  CLog::Instance()->Log(1, kUnit, __LINE__,
                        "%s as %s: status %d, resumed from %llu, received %llu, error %lu",
                        file.name.c_str(), WayName(way.way), static_cast<int>(got.status),
                        static_cast<unsigned long long>(got.resumedFrom),
                        static_cast<unsigned long long>(got.received), got.error);
  if (got.status == GetStatus::kCancelled || cancel_) return WayResult::kCancelled;
  // A cut-off download stays for the next run; a wrong one is gone already.
  if (got.status != GetStatus::kOk) return WayResult::kFetchFailed;
  std::string reference, name;
  if (way.way == Way::kPatch && InstallName(file.name, name))
    reference = installation_.directory + "\\" + name;
  std::string detail;
  const WayResult result = DecodeToFile(download, reference, file.content, plain, detail);
  CLog::Instance()->Log(1, kUnit, __LINE__, "%s: the %s %s", file.name.c_str(), WayName(way.way),
                        detail.c_str());
  DeleteFileA(download.c_str());
  return result;
}

AfterFetch UpdateSession::FetchByWays(const feed::ReleaseFile& file,
                                      const std::vector<FetchWay>& ways, std::uint64_t& done,
                                      std::uint64_t& total, GetStatus& status) {
  for (std::size_t i = 0; i + 1 < ways.size(); ++i) {
    if (i == 0) Say(kMsgReceivingFile, file.name);
    const AfterWay next = DecideAfterWay(FetchForm(file, ways[i], done, total));
    if (next == AfterWay::kStop) {
      status = GetStatus::kCancelled;
      Say(kMsgCancelled);
      return AfterFetch::kStop;
    }
    done += ways[i].file.size;
    if (next == AfterWay::kFileReady) {
      Say(kMsgFileReceived);
      return AfterFetch::kNextFile;
    }
    total += ways[i + 1].file.size;
    CLog::Instance()->Log(1, kUnit, __LINE__, "%s: the %s failed, the %s next", file.name.c_str(),
                          WayName(ways[i].way), WayName(ways[i + 1].way));
  }
  const AfterFetch next = FetchOne(
      file.name, file.content,
      downloadFolder_ + "\\" + feed::HexText(file.content.hash.data(), file.content.hash.size()),
      done, total, status);
  done += file.content.size;
  return next;
}

}  // namespace updater
