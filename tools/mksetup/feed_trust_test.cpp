// The trust decision with real signatures: a key set and its serial, chains of rotation
// records and their two signatures, a dropped key, the product, the type tag.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "feed_crypto.h"
#include "feed_trust.h"
#include "feed_writer.h"

namespace mksetup {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Four key pairs, 'A' to 'D', and the files they sign.
struct Keys {
  SigningKey keys[4];
  Keys() {
    for (SigningKey& key : keys) EXPECT_TRUE(key.Generate(error));
  }
  mutable std::string error;
  const SigningKey& operator[](char name) const { return keys[name - 'A']; }
  static bool IdOf(const feed::PublicKey& key, feed::KeyId& id) { return id = KeyIdOf(key), true; }
  // Signed by `by` (and `co`), the envelope naming `named` as its signer.
  Bytes Sign(const char* magic, const Bytes& body, char by, char co, char named) const {
    const Bytes toSign = feed::ToSign(magic, (*this)[named].id(), body);
    std::vector<feed::Signature> signatures(co ? 2 : 1);
    EXPECT_TRUE((*this)[by].Sign(toSign, signatures[0], error) &&
                (!co || (*this)[co].Sign(toSign, signatures[1], error)));
    return feed::Seal(toSign, signatures);
  }
  Bytes Index(char by, std::uint64_t serial, std::string listed = "",
              const char* product = "Tidemoor") const {
    feed::Index index;
    index.product = product, index.serial = serial;
    for (const char name : listed.empty() ? std::string(1, by) : listed)
      index.keys.push_back((*this)[name].publicKey());
    return Sign(feed::kIndexMagic, feed::IndexBody(index), by, 0, by);
  }
  Bytes Rotation(char from, char to, std::uint64_t serial, char co = 0) const {
    const Bytes body = feed::RotationBody({(*this)[to].publicKey(), serial});
    return Sign(feed::kRotationMagic, body, from, co ? co : to, from);
  }
};

TEST(FeedTrust, TheKeySetAndItsRotationRecordsDecide) {
  const Keys k;
  using P = feed::ReadProblem;
  // clang-format off
  const struct { const char* what; const char* set; std::uint64_t serial;  // the installation's
                 Bytes index; std::map<char, Bytes> records;  // under the key each leads to
                 P expected; std::size_t rotations; } rows[] = {
      {"signed by a key of the set", "A", 5, k.Index('A', 6, "AB"), {}, P::kNone, 0},
      {"a key outside the set, no record", "A", 5, k.Index('B', 6), {}, P::kUnknownKey, 0},
      {"one rotation", "A", 5, k.Index('B', 6), {{'B', k.Rotation('A', 'B', 6)}}, P::kNone, 1},
      {"two rotations", "A", 5, k.Index('C', 9), {{'B', k.Rotation('A', 'B', 6)}, {'C', k.Rotation('B', 'C', 8)}}, P::kNone, 2},
      {"a record the new key did not sign", "A", 5, k.Index('B', 6), {{'B', k.Rotation('A', 'B', 6, 'C')}}, P::kBadSignature, 0},
      {"a record the old key did not sign", "A", 5, k.Index('B', 6), {{'B', k.Sign(feed::kRotationMagic, feed::RotationBody({k['B'].publicKey(), 6}), 'D', 'B', 'A')}}, P::kBadSignature, 0},
      {"a record not above the set's serial", "A", 5, k.Index('B', 9), {{'B', k.Rotation('A', 'B', 5)}}, P::kStaleRotation, 0},
      {"records whose serials do not grow", "A", 5, k.Index('C', 9), {{'B', k.Rotation('A', 'B', 8)}, {'C', k.Rotation('B', 'C', 7)}}, P::kStaleRotation, 1},
      {"a dropped key, its old record still served", "B", 6, k.Index('A', 40), {{'B', k.Rotation('A', 'B', 6)}}, P::kUnknownKey, 0},
      {"a dropped key through a record of its own", "B", 6, k.Index('C', 40), {{'C', k.Rotation('A', 'C', 30)}}, P::kUnknownKey, 0},
      {"an index below the set's serial", "A", 5, k.Index('A', 4), {}, P::kBelowTrusted, 0},
      {"an index below its key's record", "A", 5, k.Index('B', 7), {{'B', k.Rotation('A', 'B', 8)}}, P::kBelowTrusted, 1},
      {"another product's index", "A", 5, k.Index('A', 9, "A", "Elsewhere"), {}, P::kWrongProduct, 0},
      {"a key list without its signer", "AB", 5, k.Index('A', 9, "B"), {}, P::kSignerUnlisted, 0},
      {"a record served as the index", "A", 5, k.Rotation('A', 'B', 6), {}, P::kNotAFeed, 0},
      {"an index served as a record", "A", 5, k.Index('B', 6), {{'B', k.Index('A', 6)}}, P::kUnknownKey, 0},
  };  // clang-format on
  for (const auto& row : rows) {
    const auto record = [&](const feed::KeyId& id, Bytes& bytes) {
      for (const auto& [name, file] : row.records)
        if (k[name].id() == id) return bytes = file, true;
      return false;
    };
    feed::KeySet set{{}, row.serial};
    for (const char* name = row.set; *name != 0; ++name) set.keys.push_back(k[*name].publicKey());
    feed::Index index;
    const feed::TrustResult result =
        feed::ReadTrustedIndex(row.index.data(), row.index.size(), set, "Tidemoor",
                               {VerifyWithLibcrypto, Keys::IdOf, record}, index);
    EXPECT_EQ(std::tie(result.problem, result.rotations), std::tie(row.expected, row.rotations))
        << row.what << ": " << result.detail;
    // Once accepted, the index's own list at its serial is the set.
    EXPECT_EQ(result.next, (result.problem == P::kNone ? feed::KeySet{index.keys, index.serial}
                                                       : feed::KeySet{}));
  }
  feed::Index index;
  index.serial = 2, index.expiresAt = 1'800'000'000;
  EXPECT_EQ(feed::FreshnessDetail(index, 0, 1'800'000'061),
            "expired: valid until 2027-01-15 08:00:00 UTC, the clock says 2027-01-15 08:01:01 UTC");
}

}  // namespace
}  // namespace mksetup
