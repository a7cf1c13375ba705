#include "product_identity.h"

namespace archive {
namespace {

constexpr std::string_view kPublisher = "Publisher";
constexpr std::string_view kUrlInfoAbout = "URLInfoAbout";

}  // namespace

bool IsIdentityValue(std::string_view value) {
  if (value.size() > kIdentityValueMaxLength) return false;
  for (const char c : value)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

std::optional<ProductIdentity> ParseProductIdentity(const std::uint8_t* bytes, std::size_t size) {
  if (bytes == nullptr && size != 0) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  ProductIdentity identity;
  bool sawPublisher = false, sawUrl = false;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (!IsIdentityValue(value)) return std::nullopt;
    if (key == kPublisher) {
      if (sawPublisher) return std::nullopt;
      sawPublisher = true;
      identity.publisher = value;
    } else if (key == kUrlInfoAbout) {
      if (sawUrl) return std::nullopt;
      sawUrl = true;
      identity.urlInfoAbout = value;
    }
  }
  return identity;
}

std::string ProductIdentityBytes(const ProductIdentity& identity) {
  std::string bytes;
  if (!identity.publisher.empty())
    bytes.append(kPublisher).append("=").append(identity.publisher).append("\n");
  if (!identity.urlInfoAbout.empty())
    bytes.append(kUrlInfoAbout).append("=").append(identity.urlInfoAbout).append("\n");
  return bytes;
}

std::string DisplayVersionText(std::uint32_t ms, std::uint32_t ls) {
  return "0." + std::to_string(ms) + "." + std::to_string(ls);
}

}  // namespace archive
