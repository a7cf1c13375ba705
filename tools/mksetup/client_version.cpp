#include "client_version.h"

#include "pe_image.h"
#include "pe_resources.h"

namespace mksetup {

namespace {
// VS_VERSIONINFO: wLength, wValueLength, wType, then the UTF-16 key "VS_VERSION_INFO"
// and its NUL, padded to 4 bytes, then VS_FIXEDFILEINFO.
constexpr char kKey[] = "VS_VERSION_INFO";
constexpr std::uint32_t kKeyOffset = 6;
constexpr std::uint32_t kFixedOffset = 40;  // 6 + 32 key bytes, rounded up to 4
constexpr std::uint32_t kFixedSize = 52;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kProductVersionMS = 16;  // inside the fixed part
constexpr std::uint32_t kProductVersionLS = 20;
}  // namespace

bool ReadProductVersion(const std::vector<std::uint8_t>& image, std::uint32_t& ms,
                        std::uint32_t& ls, std::string& problem) {
  std::vector<std::uint8_t> info;
  if (!peres::ReadResource(image, "#16", "#1", info, problem)) return false;
  const peres::Bytes bytes(info);
  std::uint16_t valueLength = 0, letter = 0;
  bool ok = peres::ReadU16(bytes, 2, valueLength) && valueLength >= kFixedSize;
  for (std::uint32_t i = 0; ok && i < sizeof kKey; ++i)
    ok = peres::ReadU16(bytes, kKeyOffset + 2 * i, letter) &&
         letter == static_cast<unsigned char>(kKey[i]);
  std::uint32_t signature = 0;
  if (ok && peres::ReadU32(bytes, kFixedOffset, signature) && signature == kFixedSignature &&
      peres::ReadU32(bytes, kFixedOffset + kProductVersionMS, ms) &&
      peres::ReadU32(bytes, kFixedOffset + kProductVersionLS, ls))
    return true;
  problem = "its version resource has no fixed part";
  return false;
}

}  // namespace mksetup
