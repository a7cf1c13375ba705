// How one file of the release is fetched: the cheapest way the index offers, each
// failure falling back to the next. A patch only from the very bytes installed, then
// the compressed whole, then the plain file, which is always there. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed_format.h"

namespace updater {

enum class Way { kPatch, kCompressed, kWhole };

struct FetchWay {
  Way way = Way::kWhole;
  feed::ContentRef file;  // what is downloaded: the patch, the compressed or the plain file
  feed::Hash from{};      // a patch's source: the installed file's content
  friend bool operator==(const FetchWay&, const FetchWay&) = default;
};

// The ways to `content`, cheapest first, the plain file last. `installed` is the SHA-256
// of the file in place, or nullptr when there is none (or it could not be read). A
// form no smaller than the way after it is left out.
std::vector<FetchWay> WaysToFetch(const feed::Index& index, const feed::ContentRef& content,
                                  const feed::Hash* installed);

// What the player is told the update costs, and what the bar counts: each file by its
// cheapest way, since that is what the run fetches unless a way fails.
std::uint64_t BytesToFetch(const std::vector<std::vector<FetchWay>>& waysPerFile);

// How a patch or compressed file ended, and what follows: the file in place, the
// next way, or the end of the run. Cancelling stops; every other failure falls back.
enum class WayResult { kReady, kFetchFailed, kBadHeader, kDecodeFailed, kWrongResult, kCancelled };
enum class AfterWay { kFileReady, kNextWay, kStop };
AfterWay DecideAfterWay(WayResult result);

// Below the feed's base URL: "patches/ab/<from>-<to>.zst", "files/ab/<hash>.zst" or
// "files/ab/<hash>".
std::string WayPath(const FetchWay& way, const feed::Hash& content);
// The name of the download in the download folder: the plain file's is its hash, as before.
std::string WayDownloadName(const FetchWay& way);
const char* WayName(Way way);  // for the log: "patch", "compressed file", "whole file"

}  // namespace updater
