// The feed's cryptography in a Windows program, through CNG (bcrypt.dll, on every
// Windows): the verify function the feed reader takes, and SHA-256.
#pragma once

#include <cstddef>
#include <cstdint>

#include "feed_format.h"

namespace feed {

// ECDSA P-256 over SHA-256 of the message; `signature` raw r||s as the index holds it.
bool VerifyWithCng(const PublicKey& key, const std::uint8_t* message, std::size_t size,
                   const Signature& signature);

// False when CNG cannot hash (no provider).
bool Sha256WithCng(const std::uint8_t* data, std::size_t size, Hash& hash);

// The key id the envelope names: the first bytes of SHA-256 of X||Y.
bool KeyIdWithCng(const PublicKey& key, KeyId& id);

}  // namespace feed
