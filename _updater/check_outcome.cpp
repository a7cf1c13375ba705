#include "check_outcome.h"

#include <algorithm>
#include <string_view>

#include "feed_trust.h"
#include "install_list.h"
#include "name_rule.h"
#include "s_lang_ids.h"  // Setup's own text when the client's version cannot be read
#include "updater_msg_ids.h"

namespace updater {
namespace {

bool Unchanged(const feed::ReleaseFile& file, const LocalFile& local) {
  if (!local.exists || local.size != file.content.size) return false;
  return local.fileTime == file.fileTime || (local.hashed && local.hash == file.content.hash);
}

// Names compared as Windows compares them, "/" taken as "\\".
std::string Key(std::string_view name) {
  std::string key = installation::FoldCase(name);
  std::replace(key.begin(), key.end(), '/', '\\');
  return key;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && Key(a) == Key(b);
}

// The first name of the release that no installation may hold, or the second of two
// that Windows takes for one; null when every name passes.
const std::string* RefusedName(const feed::Release& release) {
  std::vector<const std::string*> names;
  for (const feed::ReleaseFile& file : release.files) names.push_back(&file.name);
  for (const std::string& folder : release.directories) names.push_back(&folder);
  for (const std::string* name : names)
    if (installation::RelativeNameProblem(*name, "/") != nullptr) return name;
  const std::size_t fileCount = release.files.size();
  for (std::size_t i = 0; i < names.size(); ++i)
    for (std::size_t j = i < fileCount ? 0 : fileCount; j < i; ++j)
      if (SameName(*names[i], *names[j])) return names[i];
  for (const feed::ReleaseShortcut& shortcut : release.shortcuts)
    if (installation::RelativeNameProblem(shortcut.targetFile, "/") != nullptr)
      return &shortcut.targetFile;
  for (const std::string& readme : release.readmeFiles)
    if (!readme.empty() && installation::RelativeNameProblem(readme, "/") != nullptr)
      return &readme;
  if (!release.programFile.empty() &&
      installation::RelativeNameProblem(release.programFile, "/") != nullptr)
    return &release.programFile;
  return nullptr;
}

CheckOutcome Only(Verdict verdict, std::vector<std::uint32_t> messages) {
  CheckOutcome outcome;
  outcome.verdict = verdict;
  outcome.messages = std::move(messages);
  return outcome;
}

}  // namespace

std::vector<std::size_t> FilesToHash(const feed::Release& release,
                                     const std::vector<LocalFile>& local) {
  std::vector<std::size_t> indices;
  for (std::size_t i = 0; i < release.files.size() && i < local.size(); ++i) {
    const feed::ReleaseFile& file = release.files[i];
    if (local[i].exists && local[i].size == file.content.size && local[i].fileTime != file.fileTime)
      indices.push_back(i);
  }
  return indices;
}

const feed::Release* NewestRelease(const feed::Index& index) {
  const auto newest = std::max_element(
      index.releases.begin(), index.releases.end(),
      [](const feed::Release& a, const feed::Release& b) { return a.version < b.version; });
  return newest == index.releases.end() ? nullptr : &*newest;
}

CheckOutcome DecideCheck(const CheckInput& input) {
  if (input.fetch == IndexFetch::kNoConnection)
    return Only(Verdict::kNoConnection, {kMsgConnectionFailed});
  if (input.fetch == IndexFetch::kNotFound)
    return Only(Verdict::kNoIndex, {kMsgNoVersionIndex, kMsgVisitWebsites});
  if (input.problem == feed::ReadProblem::kNewerFeed)
    return Only(Verdict::kUpdaterTooOld, {kMsgUpdaterTooOld});
  if (input.problem != feed::ReadProblem::kNone || input.index == nullptr)
    return Only(Verdict::kBadIndex, {kMsgBadVersionIndex});
  const feed::Index& index = *input.index;
  const feed::Release* newest = NewestRelease(index);
  if (newest == nullptr || feed::CheckFreshness(index, input.highestSerialSeen,
                                                input.nowUnixSeconds) != feed::Freshness::kFresh) {
    CheckOutcome outcome = Only(Verdict::kBadIndex, {kMsgBadVersionIndex});
    outcome.refusal = newest == nullptr ? "it names no release"
                                        : feed::FreshnessDetail(index, input.highestSerialSeen,
                                                                input.nowUnixSeconds);
    return outcome;
  }
  // Signed is not enough: a name that leaves the installation folder, names a device or
  // doubles another is refused before anything is fetched.
  if (const std::string* refused = RefusedName(*newest)) {
    CheckOutcome outcome = Only(Verdict::kBadIndex, {kMsgBadVersionIndex});
    outcome.refusedName = *refused;
    return outcome;
  }

  CheckOutcome outcome;
  outcome.serialToKeep = std::max(input.highestSerialSeen, index.serial);
  outcome.target = newest;
  // The updater first: a newer one may know what this one does not.
  if (index.updaterVersion > input.updaterOwn) {
    outcome.verdict =
        index.updater.present() ? Verdict::kUpdaterSelfUpdate : Verdict::kUpdaterMissing;
    outcome.messages =
        index.updater.present()
            ? std::vector<std::uint32_t>{kMsgDownloadingUpdater}
            : std::vector<std::uint32_t>{kMsgWrongUpdaterVersion, kMsgDownloadActualUpdater};
    return outcome;
  }
  if (!input.installedKnown) {
    outcome.verdict = Verdict::kClientUnknown;
    outcome.messages = {kMsgClientVersionUnknown};
    return outcome;
  }
  if (input.installed > newest->version) {
    outcome.verdict = Verdict::kClientNewer;
    outcome.messages = {kMsgClientNewerThanFeed};
    return outcome;
  }
  if (input.installed < newest->updatesFrom) {
    outcome.verdict = Verdict::kClientTooOld;
    outcome.messages = {kMsgClientTooOld};
    return outcome;
  }
  // The same version is checked file by file too, so a damaged file is repaired.
  for (std::size_t i = 0; i < newest->files.size(); ++i) {
    const feed::ReleaseFile& file = newest->files[i];
    if (i < input.local.size() && Unchanged(file, input.local[i])) continue;
    if (!file.content.present()) {
      outcome.verdict = Verdict::kNoUpdateFiles;
      outcome.messages = {kMsgNoUpdateFiles};
      outcome.fetch.clear();
      outcome.fetchBytes = 0;
      return outcome;
    }
    outcome.fetch.push_back(i);
    outcome.fetchBytes += file.content.size;
  }
  if (outcome.fetch.empty() && input.installed == newest->version) {
    outcome.verdict = Verdict::kUpToDate;
    outcome.messages = {kMsgNoNewFiles, kMsgClientUpToDate};
  } else {
    // Behind with every file already in place still applies: the version is registered.
    outcome.verdict = Verdict::kNewFiles;
    outcome.messages = {kMsgNewFilesFound, kMsgOverallLength};
  }
  return outcome;
}

std::vector<std::string> ObsoleteFiles(const std::vector<std::string>& installedFiles,
                                       const feed::Release& target) {
  std::vector<std::string> obsolete;
  for (const std::string& name : installedFiles) {
    const bool kept =
        std::any_of(target.files.begin(), target.files.end(),
                    [&name](const feed::ReleaseFile& file) { return SameName(file.name, name); });
    const bool listed =
        std::any_of(obsolete.begin(), obsolete.end(),
                    [&name](const std::string& other) { return SameName(other, name); });
    if (!kept && !listed && !installation::IsListFileName(name)) obsolete.push_back(name);
  }
  return obsolete;
}

}  // namespace updater
