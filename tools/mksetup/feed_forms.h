// The smaller forms of a release's contents in the feed: each content compressed with
// zstd, and zstd patches from the contents the same file had in recent releases, so an
// updater fetches what changed rather than every changed file whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "feed_format.h"

namespace mksetup {

class ContentBatch;

inline constexpr char kPatchFolder[] = "patches";
inline constexpr int kDefaultPatchFromReleases = 3;
// Worth storing: a compressed form at most 97 % of the plain file, a patch at most
// 90 % of the compressed whole (or of the plain file when there is no compressed form).
inline constexpr std::uint64_t kCompressedPercent = 97;
inline constexpr std::uint64_t kPatchPercent = 90;
inline constexpr int kFormLevel = 19;
// A content the fastest level cannot take below 99 % (game data that is compressed
// already) is not compressed at kFormLevel, which would spend minutes to find a percent.
inline constexpr int kProbeLevel = 1;
inline constexpr std::uint64_t kProbePercent = 99;

std::filesystem::path CompressedFile(const std::filesystem::path& feed, const feed::Hash& hash);
std::filesystem::path PatchFile(const std::filesystem::path& feed, const feed::Hash& from,
                                const feed::Hash& to);

// One zstd frame of `size` bytes of `data`, its content size in the header; with a
// reference, a patch made with long-distance matching and a window that reaches it.
std::vector<std::uint8_t> ZstdFrame(const std::uint8_t* data, std::size_t size,
                                    const std::uint8_t* reference = nullptr,
                                    std::size_t referenceSize = 0, int level = kFormLevel);

struct FormsTally {
  std::size_t compressed = 0, patches = 0;
  std::uint64_t compressedBytes = 0, patchBytes = 0;
};

// The forms of the newest release's files, whose contents the feed already stores, added
// to `index.forms` and written through `batch`; patches from the contents of the same
// names in up to `patchFromReleases` releases before it.
bool AddForms(const std::filesystem::path& feed, feed::Index& index, int patchFromReleases,
              ContentBatch& batch, FormsTally& tally, std::string& error);

// Every compressed form and patch the index lists: its size and SHA-256, and that it
// decodes to the content it names. False with `problem` naming the first that does not.
bool VerifyForms(const std::filesystem::path& feed, const feed::Index& index, FormsTally& checked,
                 std::string& problem);

// What the index lists for a release's files: how many have a compressed form and how
// many patches lead to them, with their sizes.
FormsTally TallyForms(const feed::Index& index, const feed::Release& release);

}  // namespace mksetup
