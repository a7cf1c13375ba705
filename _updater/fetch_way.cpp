#include "fetch_way.h"

namespace updater {

std::vector<FetchWay> WaysToFetch(const feed::Index& index, const feed::ContentRef& content,
                                  const feed::Hash* installed) {
  std::vector<FetchWay> ways{{Way::kWhole, content, {}}};
  const feed::ContentForms* forms = feed::FormsOf(index, content.hash);
  if (forms == nullptr) return ways;
  if (forms->compressed.present() && forms->compressed.size < content.size)
    ways.insert(ways.begin(), {Way::kCompressed, forms->compressed, {}});
  if (installed != nullptr)
    for (const feed::Patch& patch : forms->patches)
      if (patch.from == *installed && patch.from != content.hash && patch.patch.present() &&
          patch.patch.size < ways.front().file.size) {
        ways.insert(ways.begin(), {Way::kPatch, patch.patch, patch.from});
        break;
      }
  return ways;
}

std::uint64_t BytesToFetch(const std::vector<std::vector<FetchWay>>& waysPerFile) {
  std::uint64_t bytes = 0;
  for (const std::vector<FetchWay>& ways : waysPerFile)
    if (!ways.empty()) bytes += ways.front().file.size;
  return bytes;
}

AfterWay DecideAfterWay(WayResult result) {
  if (result == WayResult::kReady) return AfterWay::kFileReady;
  return result == WayResult::kCancelled ? AfterWay::kStop : AfterWay::kNextWay;
}

std::string WayPath(const FetchWay& way, const feed::Hash& content) {
  switch (way.way) {
    case Way::kPatch:
      return "patches/" + feed::PatchPath(way.from, content);
    case Way::kCompressed:
      return "files/" + feed::CompressedPath(content);
    case Way::kWhole:
      break;
  }
  return "files/" + feed::ContentPath(content);
}

std::string WayDownloadName(const FetchWay& way) {
  const std::string hex = feed::HexText(way.file.hash.data(), way.file.hash.size());
  return way.way == Way::kWhole ? hex : hex + ".zst";
}

const char* WayName(Way way) {
  switch (way) {
    case Way::kPatch:
      return "patch";
    case Way::kCompressed:
      return "compressed file";
    case Way::kWhole:
      break;
  }
  return "whole file";
}

}  // namespace updater
