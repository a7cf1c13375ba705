// An .ico file taken apart into what a Windows executable carries instead: one icon
// resource per image and an icon-group resource that lists them by resource id.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mksetup {

// The group and image ids Setup.exe's forms and Explorer look up.
inline constexpr std::uint16_t kSetupIconGroupId = 1;

struct IconResources {
  std::vector<std::uint8_t> group;                // GRPICONDIR with 14-byte entries
  std::vector<std::vector<std::uint8_t>> images;  // ids 1..n, in the group's order
};

// False with `error` when the bytes are not an icon file whose every image lies
// inside it and is a bitmap (BITMAPINFOHEADER) or a PNG.
bool SplitIconFile(std::span<const std::uint8_t> file, IconResources& icon, std::string& error);

}  // namespace mksetup
