// What Apps & features and package managers show about the product beyond the archive's
// fixed records: the publisher and its web address. mksetup writes them into Setup.exe
// as a resource of their own; Setup reads them back when it registers the product.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace archive {

// Resource type "BIN", this name. Absent when the manifest gives neither value.
inline constexpr char kIdentityResourceName[] = "ID_SETUPIDENTITY";

// Each value fits a 256-byte registry buffer with its terminating NUL.
inline constexpr std::size_t kIdentityValueMaxLength = 255;

struct ProductIdentity {
  std::string publisher;     // Windows-1252; empty: none
  std::string urlInfoAbout;  // empty: none
  bool operator==(const ProductIdentity&) const = default;
};

// "Key=Value\n" lines. Keys this reader does not know are skipped, so later builders
// may add their own. Nothing for a value too long or holding a control character, a
// line without '=' or its line end, or a known key given twice.
std::optional<ProductIdentity> ParseProductIdentity(const std::uint8_t* bytes, std::size_t size);
// The bytes for the resource; empty values are left out.
std::string ProductIdentityBytes(const ProductIdentity& identity);
// Whether `value` may stand in the resource: short enough, no control character.
bool IsIdentityValue(std::string_view value);

// The version as the uninstall lists and the demo's titles show it: "0.807.3".
std::string DisplayVersionText(std::uint32_t ms, std::uint32_t ls);

}  // namespace archive
