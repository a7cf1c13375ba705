#include "icon_file.h"

#include <algorithm>

namespace mksetup {
namespace {

constexpr std::size_t kHeaderSize = 6;       // reserved, type, count
constexpr std::size_t kFileEntrySize = 16;   // ends in a u32 file offset
constexpr std::size_t kGroupEntrySize = 14;  // ends in a u16 resource id
constexpr std::size_t kBitmapInfoHeaderSize = 40;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t Get(std::span<const std::uint8_t> bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool IsImage(std::span<const std::uint8_t> image) {
  if (image.size() >= sizeof kPngSignature &&
      std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.begin()))
    return true;
  return image.size() > kBitmapInfoHeaderSize && Get(image, 0, 4) == kBitmapInfoHeaderSize;
}

}  // namespace

bool SplitIconFile(std::span<const std::uint8_t> file, IconResources& icon, std::string& error) {
  if (file.size() < kHeaderSize || Get(file, 0, 2) != 0 || Get(file, 2, 2) != 1) {
    error = "is not an icon file (.ico)";
    return false;
  }
  const std::size_t count = Get(file, 4, 2);
  if (count == 0 || file.size() < kHeaderSize + count * kFileEntrySize) {
    error = "is an icon file without images or with a cut-off image list";
    return false;
  }
  icon = {};
  Put(icon.group, 0, 2);
  Put(icon.group, 1, 2);
  Put(icon.group, static_cast<std::uint32_t>(count), 2);
  for (std::size_t n = 0; n < count; ++n) {
    const std::size_t entry = kHeaderSize + n * kFileEntrySize;
    const std::uint64_t size = Get(file, entry + 8, 4);
    const std::uint64_t offset = Get(file, entry + 12, 4);
    if (size == 0 || offset + size > file.size() || !IsImage(file.subspan(offset, size))) {
      error = std::string("image ").append(std::to_string(n + 1));
      error += " of the icon file lies outside the file or is neither a bitmap nor a PNG";
      return false;
    }
    icon.images.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(offset),
                             file.begin() + static_cast<std::ptrdiff_t>(offset + size));
    // Width, height, colours, reserved, planes, bit count and size stay as they are.
    icon.group.insert(icon.group.end(), file.begin() + static_cast<std::ptrdiff_t>(entry),
                      file.begin() + static_cast<std::ptrdiff_t>(entry + kGroupEntrySize - 2));
    Put(icon.group, static_cast<std::uint32_t>(n + 1), 2);  // the image's resource id
  }
  return true;
}

}  // namespace mksetup
