#include "updater_flow.h"

#include "name_rule.h"
#include "s_lang_ids.h"
#include "updater_msg_ids.h"

namespace updater {

std::string FeedBase(const std::string& url) {
  const std::size_t slash = url.rfind('/');
  const bool namesIndex =
      url.size() > sizeof kIndexFileName &&
      url.compare(url.size() - (sizeof kIndexFileName - 1), std::string::npos, kIndexFileName) == 0;
  if (namesIndex && slash != std::string::npos) return url.substr(0, slash + 1);
  return url.empty() || url.back() == '/' ? url : url + "/";
}

std::string IndexUrl(const std::string& base) {
  return base + kIndexFileName;
}

std::string ContentUrl(const std::string& base, const feed::Hash& hash) {
  return base + "files/" + feed::ContentPath(hash);
}

std::string ServerName(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const std::size_t start = scheme + 3;
  const std::size_t end = url.find('/', start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

feed::Version OwnUpdaterVersion(const feed::Hash& ownHash, const feed::Index& index,
                                const feed::Version& installed) {
  if (index.updater.present() && index.updater.hash == ownHash) return index.updaterVersion;
  return installed;
}

namespace {

bool IsUpdater(const std::string& name) {
  return installation::SameName(name, kUpdaterProgramName);
}

std::string Installed(const std::string& name, const char* fallback) {
  std::string windowsName;
  return !name.empty() && InstallName(name, windowsName) ? windowsName : fallback;
}

}  // namespace

std::string ClientProgram(const feed::Release* release) {
  if (release == nullptr || IsUpdater(release->programFile)) return kClientFile;
  return Installed(release->programFile, kClientFile);
}

std::string OptionsProgram(const feed::Release* release) {
  if (release != nullptr)
    for (const feed::ReleaseShortcut& shortcut : release->shortcuts)
      if (shortcut.linkNameId == kMsgLinkSetup) return Installed(shortcut.targetFile, kOptionsFile);
  return kOptionsFile;
}

FetchResult FetchResultOf(GetStatus status, bool alreadyThere) {
  switch (status) {
    case GetStatus::kOk:
      return alreadyThere ? FetchResult::kAlreadyThere : FetchResult::kReceived;
    case GetStatus::kHashMismatch:
      return FetchResult::kHashMismatch;
    case GetStatus::kCancelled:
      return FetchResult::kCancelled;
    case GetStatus::kNotFound:
    case GetStatus::kNoConnection:
    case GetStatus::kTooSlow:
    case GetStatus::kTooLarge:
    case GetStatus::kWriteFailed:
      break;
  }
  return FetchResult::kFailed;
}

Finish FinishAfterFailedFetch(GetStatus status) {
  switch (status) {
    case GetStatus::kNoConnection:
    case GetStatus::kNotFound:
    case GetStatus::kTooSlow:
      return Finish::kNoConnection;
    case GetStatus::kHashMismatch:
    case GetStatus::kTooLarge:
      return Finish::kVerificationFailed;
    case GetStatus::kOk:
    case GetStatus::kCancelled:
    case GetStatus::kWriteFailed:
      break;
  }
  return Finish::kFailed;
}

ApplyReport DescribeApply(ApplyStatus status) {
  switch (status) {
    case ApplyStatus::kApplied:
      return {{kMsgUpdateFinished, kMsgUpdateFinishedStartGame}, false, true, Finish::kUpdated};
    case ApplyStatus::kAppliedNotRegistered:
      // The files are in place: a version that cannot be registered is no failed update.
      return {{kMsgCannotRegisterVersion, kMsgUpdateFinished, kMsgUpdateFinishedStartGame},
              false,
              true,
              Finish::kUpdated};
    case ApplyStatus::kFileHeld:
      return {{kMsgCopyException, kMsgInstallFailed, kMsgPleaseTryAgain},
              true,
              false,
              Finish::kFileHeld};
    case ApplyStatus::kBusy:
      return {{kMsgInstallFailed, kMsgPleaseTryAgain}, false, false, Finish::kFailed};
    case ApplyStatus::kRolledBack:
    case ApplyStatus::kFailed:
      break;
  }
  return {{kMsgCopyException, kMsgInstallFailed, kMsgPleaseTryAgain}, true, false, Finish::kFailed};
}

ApplyReport DescribeElevatedApply(Finish finish) {
  if (finish == Finish::kUpdated) return DescribeApply(ApplyStatus::kApplied);
  if (finish == Finish::kFolderUnprotected)
    return {{kMsgFolderStartAsAdministrator}, false, false, finish};
  ApplyReport report =
      DescribeApply(finish == Finish::kFileHeld ? ApplyStatus::kFileHeld : ApplyStatus::kBusy);
  // The child's log names the file; this process does not know it.
  report.nameShown = false;
  if (finish == Finish::kFileHeld) report.messages.erase(report.messages.begin());
  report.finish = finish;
  return report;
}

Buttons ButtonsFor(Phase phase, bool settingsProgram) {
  switch (phase) {
    case Phase::kIdle:
      return {true, true, settingsProgram, true, false};
    case Phase::kWorking:
      return {false, false, false, true, true};
    case Phase::kCancelling:
      return {false, false, false, false, true};
    case Phase::kApplying:
      return {false, false, false, false, false};
  }
  return {};
}

}  // namespace updater
