// Writes what feed_reader.h reads: the index and rotation bodies, and the envelope
// around a body once it is signed.
#pragma once

#include <cstdint>
#include <vector>

#include "feed_format.h"

namespace feed {

std::vector<std::uint8_t> IndexBody(const Index& index);
std::vector<std::uint8_t> RotationBody(const Rotation& rotation);

// Header and body: the bytes every signature covers. `magic` is kIndexMagic or
// kRotationMagic; `keyId` the signer's (a rotation's old key).
std::vector<std::uint8_t> ToSign(const char* magic, const KeyId& keyId,
                                 const std::vector<std::uint8_t>& body);
// The file: `toSign` with its signatures after it (a rotation's old key's, then the
// new key's).
std::vector<std::uint8_t> Seal(std::vector<std::uint8_t> toSign,
                               const std::vector<Signature>& signatures);

}  // namespace feed
