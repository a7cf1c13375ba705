// The publisher's commands on a feed folder: publish a release, refresh the index's
// expiry, rotate the signing key, verify and list. Bad input is refused with a message
// naming the file or key before anything is written.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "feed_format.h"
#include "manifest.h"
#include "signing.h"

namespace mksetup {

struct FeedOptions {
  std::filesystem::path feed;
  std::filesystem::path key;     // the private key that signs
  std::filesystem::path newKey;  // rotate: the key that signs from now on
  int validDays = 30;
  std::vector<std::string> mirrors;  // replace the feed's list when given
  std::filesystem::path servers;     // the game server list, when given
};

struct PublishOptions {
  std::filesystem::path manifest;
  std::filesystem::path payload;  // overrides the manifest's, when given
  std::string updatesFrom;        // "807.3"; empty: the feed's oldest release
  std::array<std::filesystem::path, feed::kLanguageCount> patchNotes;  // German, English
  SigningOptions signing;     // for the embedded programs, as the release's installers have them
  int patchFromReleases = 3;  // patches from the contents of this many releases before
};

int PublishRelease(const PublishOptions& publish, const FeedOptions& options, std::ostream& out,
                   std::ostream& err);
int RefreshFeed(const FeedOptions& options, std::ostream& out, std::ostream& err);
int RotateFeedKey(const FeedOptions& options, std::ostream& out, std::ostream& err);
// `publicKey`: the key to trust; empty for list, which trusts the feed's own key file.
int VerifyFeed(const std::filesystem::path& feed, const std::filesystem::path& publicKey,
               std::ostream& out, std::ostream& err);
int ListFeed(const std::filesystem::path& feed, std::ostream& out, std::ostream& err);
// feed status: the expiry and the days left; kExitFailed once the index expires within
// `warnDays` days (or has), for a cron job or a CI step to notice.
int FeedStatus(const std::filesystem::path& feed, std::uint32_t warnDays, std::ostream& out,
               std::ostream& err);

// feed prune: the newest `keep` releases stay in the index, signed again and published
// first; then the content files that neither it nor the index before it names go.
int PruneFeed(const FeedOptions& options, std::size_t keep, std::ostream& out, std::ostream& err);

// Whole days from `now` until `expiresAt` (seconds since 1970), rounded down; negative
// once it has passed. And whether that is within `warnDays` days: the day it expires
// counts, and so does every day after.
std::int64_t DaysLeft(std::uint64_t expiresAt, std::uint64_t now);
bool ExpiresWithin(std::uint64_t expiresAt, std::uint64_t now, std::uint32_t warnDays);

// Whether an updater that carries `embedded` accepts the feed's index as it stands: the
// key that signs it, or a key the feed's rotation records lead to from `embedded`. False
// with `error` naming both key ids (a release that carried such a key would end every
// check of its players with 233).
bool EmbeddedKeyAccepted(const std::filesystem::path& feed, const feed::PublicKey& embedded,
                         std::string& error);
// The same for the manifest's [Updater] PublicKey; true for a release without [Updater].
bool ManifestKeyAccepted(const Manifest& manifest, const std::filesystem::path& feed,
                         std::string& error);

// Called after each step that writes into the feed ("content", "index"); nothing in
// production. A test links its own, to stop a publish between two steps.
void OnFeedWritten(const char* step);

}  // namespace mksetup
