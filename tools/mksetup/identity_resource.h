// The product identity resource (archive/product_identity.h) on mksetup's side: made
// from the manifest's [Setup] Publisher and URLInfoAbout, read back from a Setup.exe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "manifest.h"
#include "product_identity.h"

namespace mksetup {

// The resource's bytes, empty when the manifest gives neither value. False, naming the
// key, for a text Windows-1252 cannot hold, one longer than 255 bytes or with a
// control character, and an address that is not http:// or https://.
bool IdentityResourceBytes(const Manifest& manifest, std::string& bytes, std::string& error);

// From a built Setup.exe; an image without the resource has an empty identity.
bool ReadIdentityResource(const std::vector<std::uint8_t>& image,
                          archive::ProductIdentity& identity, std::string& error);

}  // namespace mksetup
