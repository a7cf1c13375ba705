// Writes what feed_reader.h reads: the index and rotation bodies, and the envelope
// around a body once it is signed.
#pragma once

#include <cstdint>
#include <vector>

#include "feed_format.h"

namespace feed {

std::vector<std::uint8_t> IndexBody(const Index& index);
std::vector<std::uint8_t> RotationBody(const Rotation& rotation);

// The file: envelope then body. `magic` is kIndexMagic or kRotationMagic.
std::vector<std::uint8_t> Seal(const char* magic, const KeyId& keyId, const Signature& signature,
                               const std::vector<std::uint8_t>& body);

}  // namespace feed
