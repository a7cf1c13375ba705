#include <windows.h>

#include "disk_figures.h"
#include "quiet_drive_errors_win.h"

namespace setup {

std::optional<std::uint64_t> FreeBytesOfVolume(std::string_view directory) {
  const std::string root = VolumeRootOf(directory);
  // An empty removable drive answers with an error instead of a "no disk" box.
  const gui::QuietDriveErrors quiet;
  // The volume's free bytes, not the share a quota leaves the user.
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return std::nullopt;
  return free.QuadPart;
}

DiskFigures DiskFiguresOf(const std::array<std::uint32_t, 3>& bodyLengths,
                          std::string_view directory) {
  return DiskFiguresFor(bodyLengths, FreeBytesOfVolume(directory));
}

}  // namespace setup
