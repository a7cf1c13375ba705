// The files the updater looks at on disk: their size, time and SHA-256, the folders
// downloads wait in, and the room left on a volume.
#pragma once

#include <cstdint>
#include <string>

#include "check_outcome.h"
#include "feed_format.h"

namespace updater {

// Size and last-write time; `exists` false for a missing file or a folder.
LocalFile LocalFacts(const std::string& path);
// SHA-256 through CNG, read in pieces; false when the file cannot be read.
bool FileSha256(const std::string& path, feed::Hash& hash);
std::uint64_t FileSize(const std::string& path);  // 0 when missing
// Creates the folder and any parent it lacks.
bool MakeFolders(const std::string& folder);
std::uint64_t FreeBytes(const std::string& folder);  // for the caller, quotas counted

std::string OwnPath();
std::string FolderOf(const std::string& path);
// %LOCALAPPDATA%\Tidemoor\update.download: an all-users installation's downloads, made
// by the unelevated updater, which cannot write below the installation directory.
std::string UserDownloadFolder();

}  // namespace updater
