#include "feed_trust.h"

#include <algorithm>
#include <utility>

namespace feed {
namespace {

std::string Id(const KeyId& id) {
  return HexText(id.data(), id.size());
}

bool Holds(const std::vector<TrustedKey>& keys, const KeyId& id) {
  return std::any_of(keys.begin(), keys.end(),
                     [&id](const TrustedKey& key) { return key.id == id; });
}

std::string Listed(const std::vector<TrustedKey>& keys) {
  std::string text;
  for (const TrustedKey& key : keys) text += (text.empty() ? "" : ", ") + Id(key.id);
  return text.empty() ? "none" : text;
}

TrustResult Refused(TrustResult result, ReadProblem problem, std::string detail) {
  result.problem = problem;
  result.detail = std::move(detail);
  return result;
}

}  // namespace

TrustResult ReadTrustedIndex(const std::uint8_t* data, std::size_t size, const KeySet& set,
                             const std::string& product, const TrustTools& tools, Index& index) {
  TrustResult result;
  Envelope envelope;
  if (const ReadProblem problem = ReadEnvelope(data, size, kIndexMagic, envelope);
      problem != ReadProblem::kNone)
    return Refused(result, problem, ProblemText(problem));
  result.signer = envelope.keyId;
  std::vector<TrustedKey> trusted;
  for (const PublicKey& key : set.keys)
    if (TrustedKey known{{}, key}; tools.keyId(key, known.id)) trusted.push_back(known);
  const std::string accepted =
      "the keys accepted at serial " + std::to_string(set.serial) + ": " + Listed(trusted);

  // Back from the signer to a key of the set, one record per step; nothing in them is
  // believed until the walk forward has verified it.
  std::vector<std::pair<KeyId, std::vector<std::uint8_t>>> chain;
  for (KeyId wanted = envelope.keyId; !Holds(trusted, wanted);) {
    std::vector<std::uint8_t> record;
    Envelope recordEnvelope;
    if (chain.size() == kMaxRotations || !tools.record(wanted, record) ||
        ReadEnvelope(record.data(), record.size(), kRotationMagic, recordEnvelope) !=
            ReadProblem::kNone)
      return Refused(result, ReadProblem::kUnknownKey,
                     "signed by key " + Id(envelope.keyId) +
                         ", which no chain of rotation records reaches from " + accepted);
    chain.emplace_back(wanted, std::move(record));
    wanted = recordEnvelope.keyId;
  }
  // Forward: each record signed by the key before it and by its own new key, each above
  // the serial before it; only the new key goes on.
  std::uint64_t serial = set.serial;
  for (auto step = chain.rbegin(); step != chain.rend(); ++step) {
    Rotation rotation;
    TrustedKey next{{}, {}};
    ReadProblem problem =
        ReadRotation(step->second.data(), step->second.size(), trusted, tools.verify, rotation);
    if (problem == ReadProblem::kNone &&
        (!tools.keyId(rotation.newKey, next.id) || next.id != step->first))
      problem = ReadProblem::kMalformed;
    const std::string name = "the rotation record to key " + Id(step->first);
    if (problem != ReadProblem::kNone)
      return Refused(result, problem, name + " " + ProblemText(problem));
    if (rotation.serial <= serial)
      return Refused(result, ReadProblem::kStaleRotation,
                     name + " has serial " + std::to_string(rotation.serial) + ", not above " +
                         std::to_string(serial));
    serial = rotation.serial;
    next.key = rotation.newKey;
    trusted = {next};
    ++result.rotations;
  }
  if (const ReadProblem problem = ReadIndex(data, size, trusted, tools.verify, index);
      problem != ReadProblem::kNone)
    return Refused(result, problem,
                   "signed by key " + Id(envelope.keyId) + ": " + ProblemText(problem));
  if (index.serial < serial)
    return Refused(
        result, ReadProblem::kBelowTrusted,
        "serial " + std::to_string(index.serial) + " served, below serial " +
            std::to_string(serial) +
            (chain.empty() ? " at which its keys were accepted" : " from which its key signs"));
  if (!product.empty() && index.product != product)
    return Refused(result, ReadProblem::kWrongProduct,
                   "for the product \"" + index.product + "\"; this one is \"" + product + "\"");
  const bool listed = std::any_of(index.keys.begin(), index.keys.end(), [&](const PublicKey& key) {
    KeyId id{};
    return tools.keyId(key, id) && id == envelope.keyId;
  });
  if (!listed)
    return Refused(result, ReadProblem::kSignerUnlisted,
                   "signed by key " + Id(envelope.keyId) + ", which its key list lacks");
  result.next = {index.keys, index.serial};
  return result;
}

std::string UtcText(std::uint64_t unixSeconds) {
  // Days to a civil date (Howard Hinnant's algorithm), proleptic Gregorian.
  const std::int64_t days = static_cast<std::int64_t>(unixSeconds / 86'400) + 719'468;
  const std::int64_t era = days / 146'097, dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const std::uint64_t second = unixSeconds % 86'400;
  // Digits by hand: a printf would bring mingw's own formatter into the updater.
  const auto padded = [](std::uint64_t value, std::size_t width) {
    std::string digits = std::to_string(value);
    return std::string(digits.size() < width ? width - digits.size() : 0, '0') + digits;
  };
  return padded(static_cast<std::uint64_t>(year), 4) + "-" +
         padded(static_cast<std::uint64_t>(month), 2) + "-" +
         padded(static_cast<std::uint64_t>(day), 2) + " " + padded(second / 3600, 2) + ":" +
         padded(second / 60 % 60, 2) + ":" + padded(second % 60, 2) + " UTC";
}

std::string FreshnessDetail(const Index& index, std::uint64_t highestSerialSeen,
                            std::uint64_t nowUnixSeconds) {
  switch (CheckFreshness(index, highestSerialSeen, nowUnixSeconds)) {
    case Freshness::kReplayed:
      return "replayed: serial " + std::to_string(index.serial) + " served, serial " +
             std::to_string(highestSerialSeen) + " seen before";
    case Freshness::kExpired:
      return "expired: valid until " + UtcText(index.expiresAt) + ", the clock says " +
             UtcText(nowUnixSeconds);
    case Freshness::kFresh:
      break;
  }
  return {};
}

}  // namespace feed
