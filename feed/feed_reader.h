// Reads an index or a key rotation: the envelope first, then the signature over header
// and body through the verify function the caller brings (libcrypto on the host, CNG
// in the updater), and only then the body. Every read is bounds-checked; nothing is trusted that
// the signature does not cover.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "feed_format.h"

namespace feed {

enum class ReadProblem {
  kNone,
  kNotAFeed,       // the magic is not there
  kNewerEnvelope,  // an envelope version this reader does not know
  kTruncated,      // shorter than its envelope or its body length says, or longer
  kUnknownKey,     // signed by a key the reader does not accept
  kBadSignature,   // the signature does not fit the body
  kNewerFeed,      // the body asks for a newer reader
  kMalformed,      // a field runs past the body, a text is too long or holds a NUL
  // The trust decision's refusals (feed_trust.h), of a readable, well signed file:
  kStaleRotation,   // a rotation record's serial is not above the keys' it follows
  kBelowTrusted,    // the index's serial is below the one its keys were accepted at
  kWrongProduct,    // the index is another product's
  kSignerUnlisted,  // the index's key list lacks the key that signs it
};

const char* ProblemText(ReadProblem problem);

struct TrustedKey {
  KeyId id{};
  PublicKey key{};
};

// True when `signature` is a valid ECDSA P-256 signature over SHA-256 of the message.
using VerifyFunction = std::function<bool(const PublicKey& key, const std::uint8_t* message,
                                          std::size_t size, const Signature& signature)>;

struct Envelope {
  KeyId keyId{};
  Signature signature{};
  Signature cosignature{};  // a rotation's: the new key's
  const std::uint8_t* body = nullptr;
  std::size_t bodySize = 0;
  std::size_t signedSize = 0;  // header and body: what each signature covers
};

// The envelope's fields, unverified: which key signed, for a reader that must fetch it.
ReadProblem ReadEnvelope(const std::uint8_t* data, std::size_t size, const char* magic,
                         Envelope& envelope);

// The envelope checked and its signature verified with the trusted key it names.
ReadProblem OpenSigned(const std::uint8_t* data, std::size_t size, const char* magic,
                       const std::vector<TrustedKey>& trusted, const VerifyFunction& verify,
                       Envelope& envelope);

ReadProblem ParseIndexBody(const std::uint8_t* body, std::size_t size, Index& index);
ReadProblem ParseRotationBody(const std::uint8_t* body, std::size_t size, Rotation& rotation);

ReadProblem ReadIndex(const std::uint8_t* data, std::size_t size,
                      const std::vector<TrustedKey>& trusted, const VerifyFunction& verify,
                      Index& index);
// Also verifies the new key's signature over the record.
ReadProblem ReadRotation(const std::uint8_t* data, std::size_t size,
                         const std::vector<TrustedKey>& trusted, const VerifyFunction& verify,
                         Rotation& rotation);

// Whether a verified index may replace what a reader saw before.
enum class Freshness { kFresh, kReplayed, kExpired };
// `highestSerialSeen` 0: nothing seen yet. An index of the serial already seen is fresh
// (a second look at the same feed); an older one is a replay.
Freshness CheckFreshness(const Index& index, std::uint64_t highestSerialSeen,
                         std::uint64_t nowUnixSeconds);

}  // namespace feed
