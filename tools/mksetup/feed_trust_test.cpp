// The trust decision with real signatures: an installation's key set and its serial,
// chains of rotation records, their two signatures, a dropped key, the product and the
// type tag.
#include <gtest/gtest.h>

#include <map>

#include "feed_crypto.h"
#include "feed_trust.h"
#include "feed_writer.h"

namespace mksetup {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Keys {
 public:
  Keys() {
    std::string error;
    for (SigningKey& key : keys_) EXPECT_TRUE(key.Generate(error)) << error;
  }
  const SigningKey& operator[](char name) const { return keys_[name - 'A']; }
  // What `by` signs under the envelope `magic`, naming `signer` (by, unless lying).
  Bytes Sign(const char* magic, const Bytes& body, char by, char cosigner = 0,
             char signer = 0) const {
    const Bytes toSign = feed::ToSign(magic, (*this)[signer ? signer : by].id(), body);
    std::vector<feed::Signature> signatures(cosigner ? 2 : 1);
    std::string error;
    EXPECT_TRUE((*this)[by].Sign(toSign, signatures[0], error));
    EXPECT_TRUE(!cosigner || (*this)[cosigner].Sign(toSign, signatures[1], error));
    return feed::Seal(toSign, signatures);
  }
  Bytes Index(char by, std::uint64_t serial, std::string listed = "",
              const char* product = "Tidemoor") const {
    feed::Index index;
    index.product = product;
    index.serial = serial;
    for (const char name : listed.empty() ? std::string(1, by) : listed)
      index.keys.push_back((*this)[name].publicKey());
    return Sign(feed::kIndexMagic, feed::IndexBody(index), by);
  }
  // The record from `from` to `to`, signed by `from` and by `cosigner`.
  Bytes Rotation(char from, char to, std::uint64_t serial, char cosigner = 0) const {
    const feed::Rotation rotation{(*this)[to].publicKey(), serial};
    return Sign(feed::kRotationMagic, feed::RotationBody(rotation), from, cosigner ? cosigner : to);
  }
  feed::KeySet Set(const std::string& names, std::uint64_t serial) const {
    feed::KeySet set{{}, serial};
    for (const char name : names) set.keys.push_back((*this)[name].publicKey());
    return set;
  }

 private:
  SigningKey keys_[4];
};

TEST(FeedTrust, TheKeySetAndItsRotationRecordsDecide) {
  const Keys k;
  using P = feed::ReadProblem;
  // Records are found under the id of the key they lead to.
  using Records = std::map<char, Bytes>;
  const struct {
    const char* what;
    feed::KeySet set;
    Bytes index;
    Records records;
    P expected;
    std::size_t rotations;
  } rows[] = {
      // clang-format off
      {"signed by a key of the set", k.Set("A", 5), k.Index('A', 6, "AB"), {}, P::kNone, 0},
      {"the same serial again", k.Set("A", 5), k.Index('A', 5), {}, P::kNone, 0},
      {"a key outside the set, no record", k.Set("A", 5), k.Index('B', 6), {}, P::kUnknownKey, 0},
      {"one rotation", k.Set("A", 5), k.Index('B', 6), {{'B', k.Rotation('A', 'B', 6)}}, P::kNone, 1},
      {"two rotations", k.Set("A", 5), k.Index('C', 9), {{'B', k.Rotation('A', 'B', 6)}, {'C', k.Rotation('B', 'C', 8)}}, P::kNone, 2},
      {"a record the new key did not sign", k.Set("A", 5), k.Index('B', 6), {{'B', k.Rotation('A', 'B', 6, 'C')}}, P::kBadSignature, 0},
      {"a record the old key did not sign", k.Set("A", 5), k.Index('B', 6), {{'B', k.Sign(feed::kRotationMagic, feed::RotationBody({k['B'].publicKey(), 6}), 'D', 'B', 'A')}}, P::kBadSignature, 0},
      {"a record naming another key", k.Set("A", 5), k.Index('B', 6), {{'B', k.Rotation('A', 'C', 6, 'C')}}, P::kMalformed, 0},
      {"a record not above the set's serial", k.Set("A", 5), k.Index('B', 9), {{'B', k.Rotation('A', 'B', 5)}}, P::kStaleRotation, 0},
      {"records whose serials do not grow", k.Set("A", 5), k.Index('C', 9), {{'B', k.Rotation('A', 'B', 8)}, {'C', k.Rotation('B', 'C', 7)}}, P::kStaleRotation, 1},
      {"a dropped key, its old record still served", k.Set("B", 6), k.Index('A', 40), {{'B', k.Rotation('A', 'B', 6)}}, P::kUnknownKey, 0},
      {"a dropped key through a record of its own", k.Set("B", 6), k.Index('C', 40), {{'C', k.Rotation('A', 'C', 30)}}, P::kUnknownKey, 0},
      {"an index below the set's serial", k.Set("A", 5), k.Index('A', 4), {}, P::kBelowTrusted, 0},
      {"an index below its key's record", k.Set("A", 5), k.Index('B', 7), {{'B', k.Rotation('A', 'B', 8)}}, P::kBelowTrusted, 1},
      {"another product's index", k.Set("A", 5), k.Index('A', 9, "A", "Elsewhere"), {}, P::kWrongProduct, 0},
      {"a key list without its signer", k.Set("AB", 5), k.Index('A', 9, "B"), {}, P::kSignerUnlisted, 0},
      {"a record served as the index", k.Set("A", 5), k.Rotation('A', 'B', 6), {}, P::kNotAFeed, 0},
      {"an index served as a record", k.Set("A", 5), k.Index('B', 6), {{'B', k.Index('A', 6)}}, P::kUnknownKey, 0},
      // clang-format on
  };
  for (const auto& row : rows) {
    const feed::TrustTools tools{VerifyWithLibcrypto,
                                 [](const feed::PublicKey& key, feed::KeyId& id) {
                                   id = KeyIdOf(key);
                                   return true;
                                 },
                                 [&](const feed::KeyId& id, Bytes& record) {
                                   for (const auto& [name, bytes] : row.records)
                                     if (k[name].id() == id) return record = bytes, true;
                                   return false;
                                 }};
    feed::Index index;
    const feed::TrustResult result = feed::ReadTrustedIndex(row.index.data(), row.index.size(),
                                                            row.set, "Tidemoor", tools, index);
    EXPECT_EQ(result.problem, row.expected) << row.what << ": " << result.detail;
    EXPECT_EQ(result.rotations, row.rotations) << row.what;
    // Once accepted, the index's own list at its serial is the set.
    const feed::KeySet expected =
        result.problem == P::kNone ? feed::KeySet{index.keys, index.serial} : feed::KeySet{};
    EXPECT_EQ(result.next, expected) << row.what;
  }
}

TEST(FeedTrust, RefusalsNameTheirFigures) {
  feed::Index index;
  index.serial = 2;
  index.expiresAt = 1'800'000'000;
  EXPECT_EQ(feed::FreshnessDetail(index, 4, 0), "replayed: serial 2 served, serial 4 seen before");
  EXPECT_EQ(feed::FreshnessDetail(index, 0, 1'800'000'061),
            "expired: valid until 2027-01-15 08:00:00 UTC, the clock says 2027-01-15 08:01:01 UTC");
  EXPECT_EQ(feed::FreshnessDetail(index, 2, 1'799'999'999), "");
}

}  // namespace
}  // namespace mksetup
