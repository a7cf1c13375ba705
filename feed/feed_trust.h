// Which keys an installation accepts, and whether an index passes them. Each
// installation keeps one key set with the serial of the index it came from; the key
// built into the program is only the set to start from. An index signed outside the
// set is accepted only through a chain of rotation records from a key of the set,
// each signed by its old and its new key and each above the serial before it; once
// accepted, the index's own key list becomes the set, so a dropped key never comes
// back through an old record. Portable: the cryptography and the records' source are
// handed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "feed_format.h"
#include "feed_reader.h"

namespace feed {

struct KeySet {
  std::vector<PublicKey> keys;
  std::uint64_t serial = 0;  // of the index the keys came from; 0: the program's own key
  friend bool operator==(const KeySet&, const KeySet&) = default;
};

// A chain longer than this is refused: no publisher rotates that often between two
// checks, and a hostile server cannot keep a reader fetching.
inline constexpr std::size_t kMaxRotations = 16;

struct TrustTools {
  VerifyFunction verify;
  std::function<bool(const PublicKey& key, KeyId& id)> keyId;
  // The rotation record that names the key `id` (keys/<id>.rot); false when none.
  std::function<bool(const KeyId& id, std::vector<std::uint8_t>& record)> record;
};

struct TrustResult {
  ReadProblem problem = ReadProblem::kNone;
  KeyId signer{};      // the index's, once its envelope could be read
  std::string detail;  // a refusal with its figures, for the log
  KeySet next;         // accepted: the index's keys at its serial
  std::size_t rotations = 0;
};

// The index in `data` read with `set`; `product` empty accepts any product (a
// publisher's tools, which serve no installation).
TrustResult ReadTrustedIndex(const std::uint8_t* data, std::size_t size, const KeySet& set,
                             const std::string& product, const TrustTools& tools, Index& index);

// Why CheckFreshness refuses the index, with the serials or the times; empty when it
// does not.
std::string FreshnessDetail(const Index& index, std::uint64_t highestSerialSeen,
                            std::uint64_t nowUnixSeconds);

// "2026-12-07 16:12:58 UTC".
std::string UtcText(std::uint64_t unixSeconds);

}  // namespace feed
