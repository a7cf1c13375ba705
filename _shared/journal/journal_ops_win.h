// Carries out the apply's and the replay's operations below one installation directory:
// every move written through (MOVEFILE_WRITE_THROUGH), the journal flushed after its
// header and after each append, every step logged.
#pragma once

#include <windows.h>

#include <string>

#include "apply_journal.h"
#include "folder_holds_win.h"
#include "journal_replay.h"
#include "s_handle_win.h"

namespace journal {

class OperationRunner {
 public:
  // `header` is what kWriteHeader writes.
  OperationRunner(std::string installDir, const Header& header)
      : dir_(std::move(installDir)), header_(header), holds_(dir_) {}
  ~OperationRunner() { CloseJournal(); }
  OperationRunner(const OperationRunner&) = delete;
  OperationRunner& operator=(const OperationRunner&) = delete;

  // ERROR_SUCCESS, or the failing call's error. A move or delete that meets a sharing
  // violation (a virus scanner, a game just started) is tried a few times more.
  DWORD Run(const Operation& operation);
  // Before anybody else reads the journal.
  void CloseJournal();
  std::string Path(const std::string& relative) const { return dir_ + "\\" + relative; }
  // Holds the levels above `relative` for as long as the runner lives (FolderHolds):
  // empty, or the first level that is a link or cannot be held.
  std::string Hold(const std::string& relative) { return holds_.Hold(relative); }
  // The missing folders above `relative` made, each level held before anything is made
  // below it and once made: ERROR_SUCCESS, kLinkInTheWay, or the making's error.
  DWORD MakeHeldParents(const std::string& relative);
  // For a replay that takes over: it holds what it moves through itself.
  void ReleaseHolds() { holds_ = FolderHolds(dir_); }

 private:
  DWORD RunOnce(const Operation& operation);
  DWORD Append(const std::vector<std::uint8_t>& bytes);
  // Both relative to the installation folder.
  DWORD Move(const std::string& from, const std::string& to);
  DWORD HoldAll(std::initializer_list<const std::string*> names);

  std::string dir_;
  Header header_;
  FolderHolds holds_;
  handles::Handle journal_;
};

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The folders above `path` that are missing, made from the top down.
DWORD MakeParentFolders(const std::string& path);

// What follows the moves of an apply, and of a replay that rolls one forward: the
// links the staging folder's link plan names, and the version in Apps & features. True
// when both were written; each failure is logged.
bool RegisterRelease(const std::string& installDir, const Version& version);

}  // namespace journal
