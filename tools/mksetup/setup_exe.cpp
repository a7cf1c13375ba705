#include "setup_exe.h"

#include <fstream>

#include "manifest.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "product_identity.h"
#include "segment_files.h"

namespace mksetup {

namespace {
const char kResourceType[] = "BIN";
const char kIconType[] = "#3";        // RT_ICON
const char kIconGroupType[] = "#14";  // RT_GROUP_ICON
// "#3": a resource id as the resource writer and reader take it. Built by appending:
// GCC 12 reports a false -Wrestrict for "literal" + std::to_string(...) at -O3.
std::string IdName(unsigned id) {
  return std::string("#").append(std::to_string(id));
}
std::string ResourceName(int segment) {
  return "ID_SETUPFILE" + std::to_string(segment);
}

// The resource writer streams from files, so small resources go through one too.
std::string ResourceFile(const std::filesystem::path& folder, const std::string& name,
                         const std::vector<std::uint8_t>& bytes, std::string& error) {
  const std::filesystem::path path = folder / (name + ".bin");
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) error = PathText(path) + ": cannot be written";
  return PathText(path);
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
                   int segmentCount, const IconResources* icon, const std::filesystem::path& out,
                   std::string& error, const std::string& identity) {
  std::vector<peres::AddedResource> resources;
  for (int n = 1; n <= segmentCount; ++n)
    resources.push_back(
        {kResourceType, ResourceName(n), PathText(SegmentFilePath(segmentFolder, n))});
  std::vector<std::string> dropTypes;
  if (icon != nullptr) {
    // The stub's own icon goes whole: images it has beyond the new icon's count
    // would otherwise stay behind, unused.
    dropTypes = {kIconType, kIconGroupType};
    const std::string group = ResourceFile(segmentFolder, "icon-group", icon->group, error);
    resources.push_back({kIconGroupType, IdName(kSetupIconGroupId), group});
    for (std::size_t n = 0; n < icon->images.size(); ++n) {
      const std::string id = IdName(static_cast<unsigned>(n + 1));
      resources.push_back(
          {kIconType, id,
           ResourceFile(segmentFolder, "icon" + id.substr(1), icon->images[n], error)});
    }
    if (!error.empty()) return false;
  }
  if (!identity.empty()) {
    resources.push_back(
        {kResourceType, archive::kIdentityResourceName,
         ResourceFile(segmentFolder, "identity",
                      std::vector<std::uint8_t>(identity.begin(), identity.end()), error)});
    if (!error.empty()) return false;
  }
  return peres::WriteWithResources(PathText(stub), resources, PathText(out), error, dropTypes);
}

bool IsSigned(std::span<const std::uint8_t> image) {
  peres::PeLayout layout;
  std::string ignored;
  return peres::ParsePeLayout(image, layout, ignored) && layout.security.size != 0;
}

std::string DescribeIcon(const std::vector<std::uint8_t>& image) {
  std::vector<std::uint8_t> group;
  std::string problem;
  if (!peres::ReadResource(image, kIconGroupType, IdName(kSetupIconGroupId), group, problem))
    return "icon: none (" + problem + ")";
  constexpr std::size_t kEntry = 14;  // the GRPICONDIR entry; the header is 6 bytes
  const std::size_t count = group.size() >= 6 ? group[4] | group[5] << 8 : 0;
  if (count == 0 || group.size() < 6 + count * kEntry) return "icon: BAD icon group";
  std::string text = "icon:";
  for (std::size_t n = 0; n < count; ++n) {
    const std::uint8_t* e = group.data() + 6 + n * kEntry;
    const int side = e[0] == 0 ? 256 : e[0];  // 0 stands for 256
    const std::uint32_t size =
        e[8] | e[9] << 8 | e[10] << 16 | static_cast<std::uint32_t>(e[11]) << 24;
    std::vector<std::uint8_t> data;
    const bool present =
        peres::ReadResource(image, kIconType, IdName(static_cast<unsigned>(e[12] | e[13] << 8)),
                            data, problem) &&
        data.size() == size;
    text.append(n == 0 ? " " : ", ").append(std::to_string(side)).append("x");
    text.append(std::to_string(e[1] == 0 ? 256 : e[1])).append(" ");
    text.append(std::to_string(e[6] | e[7] << 8)).append("-bit ").append(std::to_string(size));
    text.append(" bytes").append(present ? "" : " (image MISSING)");
  }
  return text;
}

}  // namespace mksetup
