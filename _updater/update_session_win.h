// One run of the updater over an installation: the check, the game server list, its
// own update, the downloads and the apply, each step's lines handed to an observer
// (the window, or the log of a silent run). The window runs the network steps on a
// worker thread; Cancel() may come from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "check_outcome.h"
#include "feed_format.h"
#include "feed_trust.h"
#include "fetch_way.h"
#include "http_get_win.h"
#include "installation.h"
#include "mirror_order.h"
#include "updater_steps.h"

namespace updater {

class SessionObserver {
 public:
  virtual void Line(const std::string& text) = 0;  // a line of the action log
  virtual void Server(const std::string& name) = 0;
  virtual void UpdateSize(const std::string& text) = 0;
  virtual void Progress(std::uint64_t done, std::uint64_t total) = 0;

 protected:
  ~SessionObserver() = default;
};

struct SessionResult {
  Finish finish = Finish::kFailed;
  bool readyToApply = false;  // every file is downloaded and verified
  bool restartSelf = false;   // a newer updater is in place: start it and end
  bool askPatchNotes = false;
  bool selfUpdateElevated = false;  // a newer updater waits: only an elevated child may move it in
};

// How the updater names itself to the feed's servers.
inline constexpr char kUserAgent[] = "Tidemoor Updater";
// Far above any real index; a longer answer is not read into memory.
inline constexpr std::size_t kIndexLimit = feed::kIndexSizeLimit;
// The verified index, kept beside the downloads for the elevated apply to read again.
inline constexpr char kSavedIndexName[] = "update.index";

class UpdateSession {
 public:
  UpdateSession(const Installation& installation, SessionObserver& observer, bool elevated);
  UpdateSession(const UpdateSession&) = delete;
  UpdateSession& operator=(const UpdateSession&) = delete;

  // The check, the server list, then this program's own update or the release's
  // downloads. Network work: the window calls it on its worker thread.
  SessionResult CheckAndDownload();
  // Moves the downloaded release into place; this process must be able to write the
  // installation (a current-user one, or elevated).
  SessionResult ApplyHere();
  // The elevated child: the index the unelevated updater saved in `folder` read and
  // verified again, its downloads copied below the installation and hashed once more,
  // then applied.
  SessionResult ApplyFrom(const std::string& folder);
  // The elevated child's part of an own update: the saved index read again, the new
  // updater copied below the installation, hashed there, then moved in.
  SessionResult ReplaceSelfFrom(const std::string& folder);

  void Cancel() { cancel_ = true; }
  // Whether ApplyHere may run in this process, or an elevated child must.
  bool NeedsElevatedApply() const { return installation_.allUsers && !elevated_; }
  const std::string& DownloadFolder() const { return downloadFolder_; }
  const Installation& installation() const { return installation_; }
  // The newest release of the index, once a check has read one.
  const feed::Release* target() const { return target_; }
  // Whether the installation holds the release's patch notes in its language, with the
  // bytes the index names: what an elevated child placed, seen from the player's side.
  bool PatchNotesInPlace() const;

 private:
  void Say(std::uint32_t id, const std::string& detail = {});
  void Say(const std::vector<std::uint32_t>& ids);
  // The index read with the installation's key set (or the program's own key) and the
  // feed's rotation records; `trust_` says how it went.
  bool ReadFeed(const std::vector<std::uint8_t>& bytes, feed::ReadProblem& problem);
  // The index from the first source that serves a fresh one, each other logged with the
  // reason it was passed over; without one, how the try the check reports went.
  IndexTry FetchIndex(const std::string& carried);
  // The server shown in the window, and noted in the log, as the one in use.
  void UseMirror(std::size_t mirror);
  // One file from the first mirror that serves its bytes, under the retry rule; each
  // switch logged with its reason. The messages of each step said when `say`.
  FileGetResult FetchFromMirrors(const feed::ContentRef& content, const std::string& path,
                                 const ProgressFunction& progress, bool say, AfterFetch& next);
  CheckOutcome Decide(IndexFetch fetch, feed::ReadProblem problem);
  void KeepKeySet(const CheckOutcome& outcome);
  // `applyFollows`: the check goes on to fetch and apply a release.
  void FetchServerList(bool applyFollows);
  SessionResult UpdateSelf();
  void SaveIndex();
  // The index the unelevated updater saved in `folder`, read, verified and decided again
  // on the installation as it is now.
  CheckOutcome DecideFromSaved(const std::string& folder);
  // `from` copied to the installation's download folder and hashed there; its path, or
  // empty when it does not verify.
  std::string CopyVerified(const std::string& from, const feed::ContentRef& content);
  SessionResult Download(const CheckOutcome& outcome);
  // The release's notes in the installation's language, fetched and verified into the
  // download folder as a document; a release without them, or notes that cannot be
  // fetched, only means no question after the apply.
  void FetchPatchNotes();
  // The verified notes put in the installation under their language's name; true when
  // they are there.
  bool PlacePatchNotes();
  // One file with the retry rule; its lines said. The last status in `status`.
  AfterFetch FetchOne(const std::string& name, const feed::ContentRef& content,
                      const std::string& path, std::uint64_t done, std::uint64_t total,
                      GetStatus& status);

  // The ways to one file of the release, cheapest first; the installed file is hashed
  // only when the index has a patch to the file.
  std::vector<FetchWay> WaysFor(const feed::ReleaseFile& file);
  // One file through a patch or its compressed form into its plain download; the
  // result says whether it is there, verified.
  WayResult FetchForm(const feed::ReleaseFile& file, const FetchWay& way, std::uint64_t done,
                      std::uint64_t total);
  // The ways tried in turn until the plain file is there; its last status in `status`.
  // `done` moves past the file; a way that fails adds the next one's bytes to `total`.
  AfterFetch FetchByWays(const feed::ReleaseFile& file, const std::vector<FetchWay>& ways,
                         std::uint64_t& done, std::uint64_t& total, GetStatus& status);

  Installation installation_;
  SessionObserver& observer_;
  bool elevated_ = false;
  std::atomic<bool> cancel_{false};
  CHttpClient client_;
  std::string feedBase_;              // where the index came from
  std::vector<std::string> mirrors_;  // where the files come from, in order
  std::vector<bool> mirrorsDown_;     // given up in this run
  std::size_t mirrorInUse_ = kNoMirror;
  feed::TrustResult trust_;
  std::vector<std::uint8_t> indexBytes_;
  feed::Index index_;
  const feed::Release* target_ = nullptr;
  std::vector<std::size_t> fetch_;
  std::vector<std::vector<FetchWay>> ways_;  // for each of fetch_, cheapest first
  std::string downloadFolder_;
  std::string notesDownload_;  // the verified patch notes waiting, or empty
};

}  // namespace updater
