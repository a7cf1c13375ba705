#include "disk_figures.h"

namespace setup {
namespace {
constexpr std::uint64_t kMebibyte = 1048576;

std::string Megabytes(std::uint64_t figure) {
  return std::to_string(figure) + " MB";
}
}  // namespace

DiskFigures DiskFiguresFor(const std::array<std::uint32_t, 3>& bodyLengths,
                           std::optional<std::uint64_t> freeBytes) {
  // The sum wraps at 32 bits, as the archive's own total does.
  const std::uint32_t bodies = bodyLengths[0] + bodyLengths[1] + bodyLengths[2];
  return {Megabytes(bodies / kMebibyte), Megabytes(freeBytes.value_or(0) / kMebibyte)};
}

std::string VolumeRootOf(std::string_view directory) {
  return std::string(directory.substr(0, 3));
}

}  // namespace setup
