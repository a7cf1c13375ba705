// feed verify and list: the index read only after its signature is checked, then
// every file it names checked for size and SHA-256.
#include <algorithm>
#include <chrono>

#include "commands.h"
#include "embedded_programs.h"
#include "feed_crypto.h"
#include "feed_forms.h"
#include "feed_publish.h"
#include "feed_reader.h"
#include "feed_store.h"
#include "file_time.h"
#include "manifest.h"
#include "name_rules.h"
#include "pe_resources.h"
#include "feed_trust.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

std::string Hex(const feed::KeyId& id) {
  return feed::HexText(id.data(), id.size());
}

std::string Version(const feed::Version& v) {
  return std::to_string(v.ms) + "." + std::to_string(v.ls);
}

std::string UnixTime(std::uint64_t seconds) {
  return FormatFileTime(kUnixEpochAsFileTime + seconds * 10'000'000);
}

std::uint64_t Now() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
}

// "2027-01-06 10:00:00 UTC (30 days left)", or how long ago it expired.
std::string ExpiryText(std::uint64_t expiresAt, std::uint64_t now) {
  const std::int64_t days = DaysLeft(expiresAt, now);
  return UnixTime(expiresAt) + (expiresAt > now
                                    ? " (" + std::to_string(days) + " days left)"
                                    : " (expired " + std::to_string(-days) + " days ago)");
}

// The feed as an updater reads it: its rotation records from keys/, libcrypto's checks.
feed::TrustTools HostTools(const fs::path& folder) {
  return {VerifyWithLibcrypto,
          [](const feed::PublicKey& key, feed::KeyId& id) {
            id = KeyIdOf(key);
            return true;
          },
          [folder](const feed::KeyId& id, std::vector<std::uint8_t>& record) {
            return ReadWholeFile(KeyFile(folder, id, ".rot"), record);
          }};
}

// The index read as an updater that starts from `key` reads it.
bool ReadTrusted(const fs::path& folder, const feed::PublicKey& key, feed::Index& index,
                 std::string& error, feed::TrustResult* trust = nullptr) {
  const fs::path indexFile = IndexPath(folder);
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(indexFile, bytes)) {
    error = PathText(folder) + ": is not a feed (no readable " + kIndexFileName + ")";
    return false;
  }
  const feed::TrustResult result =
      feed::ReadTrustedIndex(bytes.data(), bytes.size(), {{key}, 0}, {}, HostTools(folder), index);
  if (trust != nullptr) *trust = result;
  if (result.problem == feed::ReadProblem::kNone) return true;
  error = PathText(indexFile) + ": " + feed::ProblemText(result.problem) + " (" + result.detail +
          "; the key given is " + Hex(KeyIdOf(key)) + ")";
  return false;
}

std::string EmbeddedKeyProblem(const feed::PublicKey& embedded, const feed::TrustResult& trust) {
  return "the updater would carry key " + Hex(KeyIdOf(embedded)) +
         ", which is neither the key that signs the feed (" + Hex(trust.signer) +
         ") nor reaches it through the feed's rotation records (" + trust.detail +
         "); its players could never update again";
}

// Each release's updater checked as its players' updater would read the feed.
bool CheckEmbeddedKeys(const fs::path& folder, const feed::Index& index, std::string& error) {
  for (const feed::Release& release : index.releases)
    for (const feed::ReleaseFile& file : release.files) {
      if (FoldCase(file.name) != FoldCase(kUpdaterName)) continue;
      std::vector<std::uint8_t> image, keyBytes;
      feed::PublicKey embedded{};
      std::string problem;
      if (!ReadWholeFile(ContentFile(folder, file.content.hash), image) ||
          !peres::ReadResource(image, feed::kUpdaterResourceType, feed::kUpdaterKeyResource,
                               keyBytes, problem) ||
          keyBytes.size() != embedded.size()) {
        error = Version(release.version) + " " + file.name + ": carries no feed key" +
                (problem.empty() ? "" : " (" + problem + ")");
        return false;
      }
      std::copy(keyBytes.begin(), keyBytes.end(), embedded.begin());
      if (!EmbeddedKeyAccepted(folder, embedded, problem)) {
        error = Version(release.version) + " " + file.name + ": " + problem;
        return false;
      }
    }
  return true;
}

// Every content file the index names, once each.
std::vector<std::pair<std::string, feed::ContentRef>> NamedContents(const feed::Index& index) {
  std::vector<std::pair<std::string, feed::ContentRef>> named;
  for (const feed::Release& release : index.releases) {
    for (const feed::ReleaseFile& file : release.files)
      named.emplace_back(Version(release.version) + " " + file.name, file.content);
    for (std::uint32_t language = 0; language < feed::kLanguageCount; ++language)
      if (release.patchNotes[language].present())
        named.emplace_back(Version(release.version) +
                               (language == 0 ? " patch notes (German)" : " patch notes (English)"),
                           release.patchNotes[language]);
  }
  if (index.updater.present()) named.emplace_back("the updater", index.updater);
  if (index.serverList.present()) named.emplace_back("the game server list", index.serverList);
  return named;
}

}  // namespace

int VerifyFeed(const fs::path& folder, const fs::path& publicKey, std::ostream& out,
               std::ostream& err) {
  std::string error;
  feed::PublicKey key;
  feed::Index index;
  if (!LoadPublicKey(publicKey, key, error)) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  if (!ReadTrusted(folder, key, index, error) || !CheckEmbeddedKeys(folder, index, error)) {
    out << "BAD: " << error << "\n";
    return kExitFailed;
  }
  std::size_t checked = 0;
  std::uint64_t bytes = 0;
  std::vector<feed::Hash> seen;
  for (const auto& [name, content] : NamedContents(index)) {
    if (std::find(seen.begin(), seen.end(), content.hash) != seen.end()) continue;
    seen.push_back(content.hash);
    const fs::path file = ContentFile(folder, content.hash);
    feed::Hash hash;
    std::uint64_t size = 0;
    if (!Sha256File(file, hash, size) || size != content.size || hash != content.hash) {
      out << "BAD: " << name << ": " << PathText(file)
          << (fs::exists(file) ? " does not match its size and SHA-256" : " is missing") << "\n";
      return kExitFailed;
    }
    ++checked;
    bytes += size;
  }
  FormsTally forms;
  if (!VerifyForms(folder, index, forms, error)) {
    out << "BAD: " << error << "\n";
    return kExitFailed;
  }
  const std::uint64_t now = Now();
  if (feed::CheckFreshness(index, 0, now) == feed::Freshness::kExpired) {
    out << "BAD: the index " << feed::FreshnessDetail(index, 0, now)
        << " (mksetup feed refresh signs it again)\n";
    return kExitFailed;
  }
  out << "signature: valid, serial " << index.serial << ", valid until "
      << ExpiryText(index.expiresAt, now) << "\n"
      << index.releases.size() << " releases, " << checked << " files (" << bytes
      << " bytes) match their SHA-256; " << forms.compressed << " compressed files ("
      << forms.compressedBytes << " bytes) and " << forms.patches << " patches ("
      << forms.patchBytes << " bytes) decode to their contents\nOK\n";
  return kExitOk;
}

namespace {

// The index read with the feed's own copy of its key: enough to show it whole; feed
// verify --pubkey checks it against the key a publisher trusts. False once said why.
bool ReadWithOwnKey(const fs::path& folder, feed::Index& index, feed::Envelope& envelope,
                    std::ostream& err) {
  std::vector<std::uint8_t> bytes;
  feed::PublicKey key{};
  std::string error;
  if (!ReadWholeFile(IndexPath(folder), bytes) ||
      feed::ReadEnvelope(bytes.data(), bytes.size(), feed::kIndexMagic, envelope) !=
          feed::ReadProblem::kNone) {
    err << "mksetup: " << PathText(folder) << ": is not a feed (no readable " << kIndexFileName
        << ")\n";
    return false;
  }
  if (!LoadPublicKey(KeyFile(folder, envelope.keyId, ".pub"), key, error) ||
      !ReadTrusted(folder, key, index, error)) {
    err << "mksetup: " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace

int ListFeed(const fs::path& folder, std::ostream& out, std::ostream& err) {
  feed::Envelope envelope;
  feed::Index index;
  if (!ReadWithOwnKey(folder, index, envelope, err)) return kExitFailed;
  out << "product: " << index.product << "\nserial: " << index.serial
      << "\nissued: " << UnixTime(index.issuedAt)
      << "\nexpires: " << ExpiryText(index.expiresAt, Now())
      << "\nsigned by key: " << Hex(envelope.keyId) << "\nreader version: at least "
      << index.minReaderVersion << "\n";
  for (const feed::PublicKey& accepted : index.keys)
    out << "accepted key: " << Hex(KeyIdOf(accepted)) << "\n";
  for (const std::string& mirror : index.mirrors) out << "mirror: " << mirror << "\n";
  if (index.updater.present())
    out << "updater: " << Version(index.updaterVersion) << ", " << index.updater.size << " bytes\n";
  if (index.serverList.present()) out << "game servers: " << index.serverList.size << " bytes\n";
  for (const feed::Release& release : index.releases) {
    std::uint64_t size = 0;
    for (const feed::ReleaseFile& file : release.files) size += file.content.size;
    out << "release " << Version(release.version) << " \"" << release.title
        << "\": " << release.directories.size() << " folders, " << release.files.size()
        << " files (" << size << " bytes), updates from " << Version(release.updatesFrom)
        << (release.patchNotes[0].present() || release.patchNotes[1].present() ? ", patch notes"
                                                                               : "");
    const FormsTally forms = TallyForms(index, release);
    out << "; " << forms.compressed << " compressed (" << forms.compressedBytes << " bytes), "
        << forms.patches << " patches to it (" << forms.patchBytes << " bytes)\n";
  }
  return kExitOk;
}

std::int64_t DaysLeft(std::uint64_t expiresAt, std::uint64_t now) {
  constexpr std::uint64_t kDay = 86'400;
  return expiresAt >= now ? static_cast<std::int64_t>((expiresAt - now) / kDay)
                          : -static_cast<std::int64_t>((now - expiresAt + kDay - 1) / kDay);
}

bool ExpiresWithin(std::uint64_t expiresAt, std::uint64_t now, std::uint32_t warnDays) {
  return expiresAt <= now || (expiresAt - now) / 86'400 < warnDays;
}

int FeedStatus(const fs::path& folder, std::uint32_t warnDays, std::ostream& out,
               std::ostream& err) {
  feed::Envelope envelope;
  feed::Index index;
  if (!ReadWithOwnKey(folder, index, envelope, err)) return kExitFailed;
  const std::uint64_t now = Now();
  const bool warn = ExpiresWithin(index.expiresAt, now, warnDays);
  out << "serial " << index.serial << ", expires " << ExpiryText(index.expiresAt, now) << ": "
      << (index.expiresAt <= now ? "EXPIRED, players' updaters refuse it"
          : warn                 ? "within " + std::to_string(warnDays) + " days"
                                 : "OK")
      << (warn ? "; mksetup feed refresh signs it again\n" : "\n");
  return warn ? kExitFailed : kExitOk;
}

bool EmbeddedKeyAccepted(const fs::path& folder, const feed::PublicKey& embedded,
                         std::string& error) {
  feed::Index index;
  feed::TrustResult trust;
  if (ReadTrusted(folder, embedded, index, error, &trust)) return true;
  if (trust.problem == feed::ReadProblem::kUnknownKey ||
      trust.problem == feed::ReadProblem::kStaleRotation)
    error = EmbeddedKeyProblem(embedded, trust);
  return false;
}

bool ManifestKeyAccepted(const Manifest& manifest, const fs::path& folder, std::string& error) {
  feed::PublicKey embedded{};
  if (manifest.updaterProgram.where.empty()) return true;
  if (!UpdaterPublicKey(manifest, embedded, error)) return false;
  if (EmbeddedKeyAccepted(folder, embedded, error)) return true;
  error = manifest.updaterPublicKey.where + ": " + error;
  return false;
}

}  // namespace mksetup
