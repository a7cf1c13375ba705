#include "feed_publish.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

#include "commands.h"
#include "embedded_programs.h"
#include "feed_crypto.h"
#include "feed_forms.h"
#include "feed_prune_plan.h"
#include "feed_reader.h"
#include "feed_store.h"
#include "feed_writer.h"
#include "file_time.h"
#include "manifest.h"
#include "name_rules.h"
#include "release_description.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSecondsPerDay = 86'400;

std::uint64_t NowUnix() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
}

std::string VersionText(const feed::Version& v) {
  return std::to_string(v.ms) + "." + std::to_string(v.ls);
}

std::string KeyIdText(const feed::KeyId& id) {
  return feed::HexText(id.data(), id.size());
}

std::string UnixText(std::uint64_t seconds) {
  return FormatFileTime(kUnixEpochAsFileTime + seconds * 10'000'000);
}

int Refuse(std::ostream& err, const std::string& message) {
  err << "mksetup: " << message << "\n";
  return kExitFailed;
}

// The feed as it stands: no index yet in an empty or missing folder, otherwise the
// index checked against `trusted`.
struct OpenedFeed {
  bool exists = false;
  feed::Index index;
  feed::KeyId signer{};
};

bool OpenFeed(const fs::path& folder, const std::vector<feed::TrustedKey>& trusted,
              const std::string& keyLabel, OpenedFeed& opened, std::string& error) {
  std::error_code code;
  const fs::path indexFile = IndexPath(folder);
  if (!fs::exists(folder, code)) return true;
  if (!fs::is_directory(folder, code)) {
    error = PathText(folder) + ": is not a folder";
    return false;
  }
  if (!fs::exists(indexFile, code)) {
    // Empty, or holding only what a first publish that was stopped had stored.
    bool startable = true;
    for (const auto& entry : fs::directory_iterator(folder, code))
      startable =
          startable && entry.is_directory() &&
          (entry.path().filename() == kContentFolder || entry.path().filename() == kKeyFolder);
    if (startable && !code) return true;
    error = PathText(folder) + ": is not a feed (it has no " + kIndexFileName + ") and not empty";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(indexFile, bytes)) {
    error = PathText(indexFile) + ": cannot be read";
    return false;
  }
  feed::Envelope envelope;
  if (feed::ReadEnvelope(bytes.data(), bytes.size(), feed::kIndexMagic, envelope) ==
      feed::ReadProblem::kNone)
    opened.signer = envelope.keyId;
  const feed::ReadProblem problem =
      feed::ReadIndex(bytes.data(), bytes.size(), trusted, VerifyWithLibcrypto, opened.index);
  if (problem == feed::ReadProblem::kUnknownKey) {
    error = keyLabel + ": does not match the key the feed is signed with (key id " +
            KeyIdText(opened.signer) + ")";
    return false;
  }
  if (problem != feed::ReadProblem::kNone) {
    error = PathText(indexFile) + ": " + feed::ProblemText(problem);
    return false;
  }
  opened.exists = true;
  return true;
}

// Signs the index with `key` for another `validDays` and replaces the index file.
bool WriteIndex(const fs::path& folder, feed::Index& index, const SigningKey& key, int validDays,
                std::string& error) {
  // Its key list becomes what every updater that reads it accepts: without the key that
  // signs, the feed's next index would lock them all out.
  if (std::find(index.keys.begin(), index.keys.end(), key.publicKey()) == index.keys.end()) {
    error = PathText(IndexPath(folder)) + ": its key list lacks the key that signs it (key id " +
            KeyIdText(key.id()) + ")";
    return false;
  }
  index.serial += 1;
  index.issuedAt = NowUnix();
  index.expiresAt = index.issuedAt + static_cast<std::uint64_t>(validDays) * kSecondsPerDay;
  const std::vector<std::uint8_t> toSign =
      feed::ToSign(feed::kIndexMagic, key.id(), feed::IndexBody(index));
  feed::Signature signature;
  if (!key.Sign(toSign, signature, error) ||
      !ReplaceFile(IndexPath(folder), feed::Seal(toSign, {signature}), error))
    return false;
  OnFeedWritten("index");
  return true;
}

bool LoadSigningKey(const fs::path& file, SigningKey& key, std::string& error) {
  return key.Load(file, error);
}

// The public key beside the index, so that `list` can check what it shows.
bool StorePublicKey(const fs::path& folder, const SigningKey& key, std::string& error) {
  const fs::path target = KeyFile(folder, key.id(), ".pub");
  return fs::exists(target) || ReplaceFile(target, key.PublicPem(), error);
}

struct Sourced {
  feed::ContentRef content;
  fs::path source;
  std::vector<std::uint8_t> bytes;
};

bool HashSource(Sourced& out) {
  if (!out.source.empty()) return Sha256File(out.source, out.content.hash, out.content.size);
  out.content = {Sha256(out.bytes.data(), out.bytes.size()), out.bytes.size()};
  return true;
}

// Reading and hashing the payload is most of a first publish's time, and the files
// are independent: the machine's cores share them. Names the first file, in order,
// that cannot be read.
bool HashAll(std::vector<Sourced>& contents, std::string& error) {
  std::vector<char> hashed(contents.size(), 0);
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < contents.size(); i = next++)
      hashed[i] = HashSource(contents[i]);
  };
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  std::vector<std::thread> helpers;
  for (unsigned n = 1; n < threads; ++n) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
  for (std::size_t i = 0; i < contents.size(); ++i)
    if (!hashed[i]) {
      error = PathText(contents[i].source) + ": cannot be read";
      return false;
    }
  return true;
}

feed::Release ReleaseOf(const archive::ArchiveDescription& d) {
  feed::Release r;
  r.version = {d.packageVersionMS, d.packageVersionLS};
  r.title = d.title;
  r.startMenuGroup = d.startMenuGroup;
  r.directories = d.directories;
  for (std::uint32_t language = 0; language < feed::kLanguageCount; ++language) {
    r.readmeFiles[language] = d.readmes[language].readmeFile;
    r.readmeLinks[language] = d.readmes[language].readmeLinkName;
  }
  r.programFile = d.programFile;
  r.desktopLinkName = d.desktopLinkName;
  for (const archive::WriterShortcut& s : d.shortcuts)
    r.shortcuts.push_back({s.targetFile, s.linkNameId});
  return r;
}

std::string NotAboveNewest(const PublishOptions& publish, const feed::Release& release,
                           const feed::Index& index) {
  return PathText(publish.manifest) + ": [Setup] PackageVersion " + VersionText(release.version) +
         " is not above the feed's newest " + VersionText(index.releases.back().version) +
         (release.version == index.releases.back().version ? ", which has other files" : "");
}

// The index grows with every release the feed keeps, and the updater refuses one past
// its limit: a publisher hears of it long before.
void WarnOfIndexSize(const fs::path& folder, const feed::Index& index, std::ostream& out) {
  std::error_code code;
  const std::uintmax_t size = fs::file_size(IndexPath(folder), code);
  if (code || size <= feed::kIndexSizeLimit / 10) return;
  out << "warning: the index is " << size << " bytes with " << index.releases.size()
      << " releases, over a tenth of the " << feed::kIndexSizeLimit
      << " bytes an updater reads; mksetup feed prune " << PathText(folder)
      << " --key KEY --keep N drops the oldest\n";
}

// 64 hexadecimal digits, the start of `text`.
bool HashAt(const std::string& text, std::size_t at, feed::Hash& hash) {
  if (text.size() < at + 2 * hash.size()) return false;
  for (std::size_t i = 0; i < hash.size(); ++i) {
    unsigned value = 0;
    if (!std::isxdigit(static_cast<unsigned char>(text[at + 2 * i])) ||
        !std::isxdigit(static_cast<unsigned char>(text[at + 2 * i + 1])) ||
        std::sscanf(text.c_str() + at + 2 * i, "%2x", &value) != 1)
      return false;
    hash[i] = static_cast<std::uint8_t>(value);
  }
  return true;
}

// What the feed holds below files/ and patches/, each only where its name puts it and
// nothing a publish is writing: contents, their compressed forms and patches.
struct Stored {
  std::vector<feed::Hash> contents, compressed;
  std::vector<std::pair<feed::Hash, feed::Hash>> patches;
};
Stored StoredFiles(const fs::path& folder) {
  Stored stored;
  constexpr std::size_t kHex = 2 * sizeof(feed::Hash);
  std::error_code code;
  for (const auto& entry : fs::recursive_directory_iterator(folder / kContentFolder, code)) {
    const std::string name = entry.path().filename().string();
    feed::Hash hash{};
    if (!entry.is_regular_file() || !HashAt(name, 0, hash)) continue;
    if (name.size() == kHex && ContentFile(folder, hash) == entry.path())
      stored.contents.push_back(hash);
    else if (name.size() == kHex + 4 && CompressedFile(folder, hash) == entry.path())
      stored.compressed.push_back(hash);
  }
  for (const auto& entry : fs::recursive_directory_iterator(folder / kPatchFolder, code)) {
    const std::string name = entry.path().filename().string();
    feed::Hash from{}, to{};
    if (entry.is_regular_file() && name.size() == 2 * kHex + 5 && HashAt(name, 0, from) &&
        HashAt(name, kHex + 1, to) && PatchFile(folder, from, to) == entry.path())
      stored.patches.emplace_back(from, to);
  }
  return stored;
}

std::string VersionsText(const std::vector<feed::Version>& versions) {
  std::string text;
  for (const feed::Version& version : versions)
    text += (text.empty() ? "" : ", ") + VersionText(version);
  return text.empty() ? "none" : text;
}

}  // namespace

int PublishRelease(const PublishOptions& publish, const FeedOptions& options, std::ostream& out,
                   std::ostream& err) {
  std::string error;
  Manifest manifest;
  archive::ArchiveDescription d;
  archive::ArchivePlan plan;
  SigningKey key;
  if (!ReadManifest(publish.manifest, manifest, error) ||
      !DescribeRelease(manifest, publish.payload, d, plan, error) ||
      !SignEmbeddedPrograms(manifest, publish.signing, d, error) ||
      !LoadSigningKey(options.key, key, error))
    return Refuse(err, error);
  if (manifest.kind != archive::SetupKind::Full)
    return Refuse(err, PathText(publish.manifest) +
                           ": [Setup] Kind is Update; a feed takes full releases (the updater "
                           "works out what changed)");
  OpenedFeed opened;
  if (!OpenFeed(options.feed, {Trusted(key.publicKey())}, PathText(options.key), opened, error))
    return Refuse(err, error);
  // The release's updater must accept the feed it is published into.
  if (!manifest.updaterProgram.where.empty()) {
    feed::PublicKey embedded{};
    if (!UpdaterPublicKey(manifest, embedded, error)) return Refuse(err, error);
    if (!opened.exists && embedded != key.publicKey())
      return Refuse(err, manifest.updaterPublicKey.where + ": the updater would carry key " +
                             KeyIdText(KeyIdOf(embedded)) +
                             ", which is not the key that signs the feed (" + KeyIdText(key.id()) +
                             "); its players could never update");
    if (opened.exists && !ManifestKeyAccepted(manifest, options.feed, error))
      return Refuse(err, error);
  }
  feed::Index& index = opened.index;
  feed::Release release = ReleaseOf(d);
  const std::string product = ProductName(manifest);
  if (opened.exists && index.product != product)
    return Refuse(err, PathText(publish.manifest) + ": [Setup] InstallFolder names the product \"" +
                           product + "\", the feed is for \"" + index.product + "\"");
  // The newest release once more may be a retry of this very publish: decided once its
  // files are hashed.
  const bool again =
      opened.exists && !index.releases.empty() && release.version == index.releases.back().version;
  if (opened.exists && !index.releases.empty() &&
      release.version <= index.releases.back().version && !again)
    return Refuse(err, NotAboveNewest(publish, release, index));
  release.updatesFrom = index.releases.empty() ? release.version : index.releases.front().version;
  if (again) release.updatesFrom = index.releases.back().updatesFrom;
  if (!publish.updatesFrom.empty() &&
      !ParseVersion(publish.updatesFrom, release.updatesFrom.ms, release.updatesFrom.ls))
    return Refuse(err,
                  "--updates-from \"" + publish.updatesFrom + "\" is not a version like 807.3");

  // Everything is read and hashed before the first byte goes into the feed.
  std::vector<Sourced> contents;
  for (const archive::WriterFile& file : d.files)
    contents.push_back({{}, file.sourcePath, {file.bytes.begin(), file.bytes.end()}});
  for (std::uint32_t language = 0; language < feed::kLanguageCount; ++language)
    if (!publish.patchNotes[language].empty())
      contents.push_back({{}, publish.patchNotes[language], {}});
  if (!options.servers.empty()) contents.push_back({{}, options.servers, {}});
  if (!HashAll(contents, error)) return Refuse(err, error);
  auto hashed = contents.begin();
  for (const archive::WriterFile& file : d.files)
    release.files.push_back({file.name, file.fileTime, (hashed++)->content});
  for (std::uint32_t language = 0; language < feed::kLanguageCount; ++language)
    if (!publish.patchNotes[language].empty()) release.patchNotes[language] = (hashed++)->content;
  if (!options.servers.empty()) index.serverList = hashed->content;
  if (again) {
    // A CI job that retries after a failure it could not see: the same release is there.
    if (release != index.releases.back())
      return Refuse(err, NotAboveNewest(publish, release, index));
    out << "unchanged: " << VersionText(release.version)
        << " is the feed's newest release already, "
        << "with the same description and files; nothing was written\n";
    return kExitOk;
  }
  for (const feed::ReleaseFile& file : release.files)
    if (FoldCase(file.name) == FoldCase(kUpdaterName)) {
      index.updater = file.content;
      index.updaterVersion = release.version;
    }
  if (!options.mirrors.empty()) index.mirrors = options.mirrors;
  if (!opened.exists) {
    index.product = product;
    index.keys = {key.publicKey()};
  }
  index.releases.push_back(release);

  std::uint64_t written = 0;
  std::size_t newFiles = 0;
  ContentBatch batch(options.feed);
  for (const Sourced& content : contents) {
    bool stored = false;
    if (!batch.Store(content.content, content.source, content.bytes, stored, error))
      return Refuse(err, error);
    if (stored) {
      written += content.content.size;
      ++newFiles;
      OnFeedWritten("content");
    }
  }
  // Every content file is durable under its name before the index names it; the
  // smaller forms are made from the stored contents, old and new.
  FormsTally tally;
  ContentBatch forms(options.feed);
  if (!batch.Commit(error) ||
      !AddForms(options.feed, index, publish.patchFromReleases, forms, tally, error) ||
      !forms.Commit(error) || !StorePublicKey(options.feed, key, error) ||
      !WriteIndex(options.feed, index, key, options.validDays, error))
    return Refuse(err, error);
  out << "published " << VersionText(release.version) << " to " << PathText(options.feed) << ": "
      << release.files.size() << " release files; " << newFiles << " new files stored (" << written
      << " bytes written); " << tally.compressed << " compressed (" << tally.compressedBytes
      << " bytes), " << tally.patches << " patches (" << tally.patchBytes << " bytes); serial "
      << index.serial << ", valid until " << UnixText(index.expiresAt) << "\n";
  WarnOfIndexSize(options.feed, index, out);
  if (const std::string note = UpdaterLinkNote(manifest, d); !note.empty()) out << note << "\n";
  return kExitOk;
}

namespace {

// The feed as it stands, read with the key that signs it; false with `error` for no feed.
bool OpenExistingFeed(const FeedOptions& options, SigningKey& key, OpenedFeed& opened,
                      std::string& error) {
  if (!LoadSigningKey(options.key, key, error) ||
      !OpenFeed(options.feed, {Trusted(key.publicKey())}, PathText(options.key), opened, error))
    return false;
  if (!opened.exists) error = PathText(options.feed) + ": is not a feed yet";
  return opened.exists;
}

}  // namespace

int RefreshFeed(const FeedOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  SigningKey key;
  OpenedFeed opened;
  if (!OpenExistingFeed(options, key, opened, error)) return Refuse(err, error);
  if (!options.mirrors.empty()) opened.index.mirrors = options.mirrors;
  if (!WriteIndex(options.feed, opened.index, key, options.validDays, error))
    return Refuse(err, error);
  out << "refreshed " << PathText(options.feed) << ": serial " << opened.index.serial
      << ", valid until " << UnixText(opened.index.expiresAt) << "\n";
  return kExitOk;
}

int RotateFeedKey(const FeedOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  SigningKey oldKey, newKey;
  OpenedFeed opened;
  if (!LoadSigningKey(options.key, oldKey, error) ||
      !LoadSigningKey(options.newKey, newKey, error) ||
      !OpenFeed(options.feed, {Trusted(oldKey.publicKey())}, PathText(options.key), opened, error))
    return Refuse(err, error);
  if (!opened.exists) return Refuse(err, PathText(options.feed) + ": is not a feed yet");
  if (newKey.publicKey() == oldKey.publicKey())
    return Refuse(err, PathText(options.newKey) + ": is the key the feed is signed with already");
  // The old key vouches for the new one and the new one for itself; an updater that
  // knows only the old key reads this record first and then accepts the index the new
  // key signs, from this serial on.
  const feed::Rotation rotation{newKey.publicKey(), opened.index.serial + 1};
  const std::vector<std::uint8_t> toSign =
      feed::ToSign(feed::kRotationMagic, oldKey.id(), feed::RotationBody(rotation));
  feed::Signature byOld, byNew;
  if (!oldKey.Sign(toSign, byOld, error) || !newKey.Sign(toSign, byNew, error) ||
      !ReplaceFile(KeyFile(options.feed, newKey.id(), ".rot"), feed::Seal(toSign, {byOld, byNew}),
                   error) ||
      !StorePublicKey(options.feed, newKey, error))
    return Refuse(err, error);
  opened.index.keys = {newKey.publicKey()};
  if (!WriteIndex(options.feed, opened.index, newKey, options.validDays, error))
    return Refuse(err, error);
  out << "rotated " << PathText(options.feed) << " from key " << KeyIdText(oldKey.id()) << " to "
      << KeyIdText(newKey.id()) << ", serial " << opened.index.serial << "\n";
  return kExitOk;
}

int PruneFeed(const FeedOptions& options, std::size_t keep, std::ostream& out, std::ostream& err) {
  std::string error;
  SigningKey key;
  OpenedFeed opened;
  if (!OpenExistingFeed(options, key, opened, error)) return Refuse(err, error);
  Stored stored = StoredFiles(options.feed);
  PrunePlan plan = PlanPrune(opened.index, keep, std::move(stored.contents));
  PlanFormsRemoval(opened.index, std::move(stored.compressed), std::move(stored.patches), plan);
  // The new index first: until it is in place, every file the old one names stays.
  if ((!plan.dropped.empty() || plan.index.forms != opened.index.forms) &&
      !WriteIndex(options.feed, plan.index, key, options.validDays, error))
    return Refuse(err, error);
  std::uint64_t removedBytes = 0;
  std::size_t removed = 0;
  std::vector<fs::path> files;
  for (const feed::Hash& hash : plan.remove) files.push_back(ContentFile(options.feed, hash));
  for (const feed::Hash& hash : plan.removeCompressed)
    files.push_back(CompressedFile(options.feed, hash));
  for (const auto& [from, to] : plan.removePatches)
    files.push_back(PatchFile(options.feed, from, to));
  for (const fs::path& file : files) {
    std::error_code code;
    const std::uintmax_t size = fs::file_size(file, code);
    if (!fs::remove(file, code) || code) return Refuse(err, PathText(file) + ": cannot be removed");
    removedBytes += size;
    ++removed;
  }
  out << "pruned " << PathText(options.feed) << ": kept " << VersionsText(plan.kept) << "; dropped "
      << VersionsText(plan.dropped) << " (their files stay until the next prune); " << removed
      << " files no index names removed (" << removedBytes << " bytes)";
  if (!plan.dropped.empty()) out << ", serial " << plan.index.serial;
  out << "\n";
  return kExitOk;
}

}  // namespace mksetup
