#include "setup_exe.h"

#include "manifest.h"
#include "pe_resources.h"
#include "segment_files.h"

namespace mksetup {

namespace {
const char kResourceType[] = "BIN";
std::string ResourceName(int segment) {
  return "ID_SETUPFILE" + std::to_string(segment);
}
}  // namespace

bool LooksLikeExecutable(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z';
}

bool ReadSetupExeSegments(const std::vector<std::uint8_t>& image,
                          std::array<std::vector<std::uint8_t>, archive::kMaxSegments>& segments,
                          int& count, std::string& error) {
  count = 0;
  for (int n = 1; n <= archive::kMaxSegments; ++n) {
    std::string problem;
    if (!peres::ReadResource(image, kResourceType, ResourceName(n), segments[n - 1], problem)) {
      if (n == 1) {
        error = "resource " + ResourceName(n) + ": " + problem;
        return false;
      }
      break;  // an Update may carry segment 1 alone
    }
    count = n;
  }
  return true;
}

bool WriteSetupExe(const std::filesystem::path& stub, const std::filesystem::path& segmentFolder,
                   int segmentCount, const std::filesystem::path& out, std::string& error) {
  std::vector<peres::AddedResource> resources;
  for (int n = 1; n <= segmentCount; ++n)
    resources.push_back(
        {kResourceType, ResourceName(n), PathText(SegmentFilePath(segmentFolder, n))});
  return peres::WriteWithResources(PathText(stub), resources, PathText(out), error);
}

}  // namespace mksetup
