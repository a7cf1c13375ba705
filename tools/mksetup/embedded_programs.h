// The programs mksetup embeds in a release beside the payload: the updater (stamped
// with the feed's URL and public key) and, with --sign, the uninstaller and the
// updater signed with the release's certificate. Each is prepared once per release in
// a folder beside the manifest (release-0.<version>/), so that the Full installer, a
// derived Update and the feed made from one release carry the same bytes.
#pragma once

#include <filesystem>
#include <string>

#include "archive_writer.h"
#include "feed_format.h"
#include "fixed_names.h"
#include "manifest.h"
#include "signing.h"

namespace mksetup {

inline constexpr const char* kUpdaterName = installation::kUpdaterProgramName;

std::filesystem::path ReleaseProgramsFolder(const Manifest& manifest);

// The product a release is, as the feed's index names it: the last part of [Setup]
// InstallFolder. The updater carries it and refuses another product's index.
std::string ProductName(const Manifest& manifest);

// The key [Updater] PublicKey names, which the release's updater starts trusting.
bool UpdaterPublicKey(const Manifest& manifest, feed::PublicKey& key, std::string& error);

// Why an address cannot be a feed's or a mirror's: not http:// or https://, longer
// than the index holds, a blank or control character in it. Null when it can.
const char* FeedUrlProblem(const std::string& url);

// [Updater]: adds updater.exe, stamped with the feed's URL, key and product, and a start-menu link
// to it under the game's link name when the manifest gives none. Refuses a payload that has
// updater.exe, a feed URL that is not http:// or https://, a key file that is not a public key.
bool AddUpdater(const Manifest& manifest, archive::ArchiveDescription& description,
                std::string& error);

// A release with [Updater] whose players never start it: neither the start menu's game
// link nor the desktop link ([Program] File) starts updater.exe, so no player gets an
// update. The note for setup and publish to print, or empty.
std::string UpdaterLinkNote(const Manifest& manifest, const archive::ArchiveDescription& d);

// With a certificate, puts the signed uninstall.exe and updater.exe in place of the
// unsigned ones, signing each only when this release has not signed those bytes yet.
bool SignEmbeddedPrograms(const Manifest& manifest, const SigningOptions& signing,
                          archive::ArchiveDescription& description, std::string& error);

}  // namespace mksetup
