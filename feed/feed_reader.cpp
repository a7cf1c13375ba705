#include "feed_reader.h"

#include <cstring>

namespace feed {
namespace {

constexpr std::size_t kMaxUrlLength = 2048;

// A read position in the body; every read first checks that the bytes are there and
// leaves `ok` false for good once one was not.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  bool AtEnd() const { return at_ == size_; }

  const std::uint8_t* Take(std::size_t count) {
    if (!ok_ || size_ - at_ < count) {
      ok_ = false;
      return nullptr;
    }
    const std::uint8_t* here = data_ + at_;
    at_ += count;
    return here;
  }
  std::uint64_t Number(std::size_t width) {
    const std::uint8_t* bytes = Take(width);
    std::uint64_t value = 0;
    for (std::size_t i = 0; bytes != nullptr && i < width; ++i)
      value |= std::uint64_t{bytes[i]} << (8 * i);
    return value;
  }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Number(4)); }
  std::uint64_t U64() { return Number(8); }
  // A count of items of at least `itemSize` bytes each, refused when they cannot fit.
  std::uint32_t Count(std::size_t itemSize) {
    const std::uint32_t count = U32();
    if (count > kMaxCount || (ok_ && count * itemSize > size_ - at_)) ok_ = false;
    return ok_ ? count : 0;
  }
  std::string Text(std::size_t maxLength = kMaxTextLength) {
    const std::size_t length = static_cast<std::size_t>(Number(2));
    const std::uint8_t* bytes = length > maxLength ? nullptr : Take(length);
    if (bytes == nullptr || std::memchr(bytes, 0, length) != nullptr) {
      ok_ = false;
      return {};
    }
    return std::string(reinterpret_cast<const char*>(bytes), length);
  }
  template <std::size_t N>
  void Bytes(std::array<std::uint8_t, N>& out) {
    if (const std::uint8_t* bytes = Take(N)) std::memcpy(out.data(), bytes, N);
  }
  Version ReadVersion() {
    Version v;
    v.ms = U32();
    v.ls = U32();
    return v;
  }
  ContentRef Content() {
    ContentRef content;
    Bytes(content.hash);
    content.size = U64();
    return content;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

void ReadReleaseInto(Cursor& in, Release& r) {
  r.version = in.ReadVersion();
  r.updatesFrom = in.ReadVersion();
  r.title = in.Text();
  r.startMenuGroup = in.Text();
  for (std::uint32_t n = in.Count(2); n > 0 && in.ok(); --n) r.directories.push_back(in.Text());
  for (std::uint32_t n = in.Count(2 + 8 + kHashSize + 8); n > 0 && in.ok(); --n) {
    ReleaseFile file;
    file.name = in.Text();
    file.fileTime = in.U64();
    file.content = in.Content();
    r.files.push_back(std::move(file));
  }
  for (std::uint32_t language = 0; language < kLanguageCount; ++language) {
    r.readmeFiles[language] = in.Text();
    r.readmeLinks[language] = in.Text();
  }
  r.programFile = in.Text();
  r.desktopLinkName = in.Text();
  for (std::uint32_t n = in.Count(2 + 4); n > 0 && in.ok(); --n) {
    ReleaseShortcut shortcut;
    shortcut.targetFile = in.Text();
    shortcut.linkNameId = in.U32();
    r.shortcuts.push_back(std::move(shortcut));
  }
  for (ContentRef& notes : r.patchNotes) notes = in.Content();
}

}  // namespace

const char* ProblemText(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::kNone:
      return "readable";
    case ReadProblem::kNotAFeed:
      return "is not a feed index (its first bytes are wrong)";
    case ReadProblem::kNewerEnvelope:
      return "has an envelope version this reader does not know";
    case ReadProblem::kTruncated:
      return "is not as long as its envelope says";
    case ReadProblem::kUnknownKey:
      return "is signed with a key that is not accepted";
    case ReadProblem::kBadSignature:
      return "does not match its signature";
    case ReadProblem::kNewerFeed:
      return "needs a newer reader";
    case ReadProblem::kMalformed:
      return "is signed but its contents do not hold together";
    case ReadProblem::kStaleRotation:
      return "is reached only through a rotation record older than the keys accepted";
    case ReadProblem::kBelowTrusted:
      return "is older than the index whose keys are accepted";
    case ReadProblem::kWrongProduct:
      return "is another product's";
    case ReadProblem::kSignerUnlisted:
      return "does not list the key that signs it";
  }
  return "unknown problem";
}

ReadProblem ReadEnvelope(const std::uint8_t* data, std::size_t size, const char* magic,
                         Envelope& envelope) {
  Cursor in(data, size);
  const std::uint8_t* head = in.Take(kMagicSize);
  if (head == nullptr || std::memcmp(head, magic, kMagicSize) != 0) return ReadProblem::kNotAFeed;
  const std::uint32_t version = in.U32();
  if (!in.ok()) return ReadProblem::kTruncated;
  if (version != kEnvelopeVersion) return ReadProblem::kNewerEnvelope;
  in.Bytes(envelope.keyId);
  const std::uint32_t length = in.U32();
  const std::size_t signatures = std::memcmp(magic, kRotationMagic, kMagicSize) == 0 ? 2 : 1;
  if (!in.ok() || size - kHeaderSize < signatures * kSignatureSize ||
      size - kHeaderSize - signatures * kSignatureSize != length)
    return ReadProblem::kTruncated;
  envelope.body = in.Take(length);
  envelope.bodySize = length;
  envelope.signedSize = kHeaderSize + length;
  in.Bytes(envelope.signature);
  if (signatures == 2) in.Bytes(envelope.cosignature);
  return ReadProblem::kNone;
}

ReadProblem OpenSigned(const std::uint8_t* data, std::size_t size, const char* magic,
                       const std::vector<TrustedKey>& trusted, const VerifyFunction& verify,
                       Envelope& envelope) {
  if (const ReadProblem problem = ReadEnvelope(data, size, magic, envelope);
      problem != ReadProblem::kNone)
    return problem;
  for (const TrustedKey& key : trusted)
    if (key.id == envelope.keyId)
      return verify(key.key, data, envelope.signedSize, envelope.signature)
                 ? ReadProblem::kNone
                 : ReadProblem::kBadSignature;
  return ReadProblem::kUnknownKey;
}

ReadProblem ParseIndexBody(const std::uint8_t* body, std::size_t size, Index& index) {
  Cursor in(body, size);
  index = Index{};
  index.bodyVersion = in.U32();
  index.minReaderVersion = in.U32();
  if (in.ok() && index.minReaderVersion > kBodyVersion) return ReadProblem::kNewerFeed;
  index.product = in.Text();
  index.serial = in.U64();
  index.issuedAt = in.U64();
  index.expiresAt = in.U64();
  for (std::uint32_t n = in.Count(kPublicKeySize); n > 0 && in.ok(); --n)
    in.Bytes(index.keys.emplace_back());
  for (std::uint32_t n = in.Count(2); n > 0 && in.ok(); --n)
    index.mirrors.push_back(in.Text(kMaxUrlLength));
  index.updaterVersion = in.ReadVersion();
  index.updater = in.Content();
  index.serverList = in.Content();
  for (std::uint32_t n = in.Count(16); n > 0 && in.ok(); --n)
    ReadReleaseInto(in, index.releases.emplace_back());
  if (index.bodyVersion >= kFormsBodyVersion)
    for (std::uint32_t n = in.Count(2 * kHashSize + 12); n > 0 && in.ok(); --n) {
      ContentForms& forms = index.forms.emplace_back();
      in.Bytes(forms.content);
      forms.compressed = in.Content();
      for (std::uint32_t p = in.Count(2 * kHashSize + 8); p > 0 && in.ok(); --p) {
        Patch& patch = forms.patches.emplace_back();
        in.Bytes(patch.from);
        patch.patch = in.Content();
      }
    }
  // A newer writer may append fields that an older reader, still allowed, skips.
  const bool endsRight = in.AtEnd() || index.bodyVersion > kBodyVersion;
  return in.ok() && endsRight ? ReadProblem::kNone : ReadProblem::kMalformed;
}

ReadProblem ParseRotationBody(const std::uint8_t* body, std::size_t size, Rotation& rotation) {
  Cursor in(body, size);
  in.Bytes(rotation.newKey);
  rotation.serial = in.U64();
  return in.ok() && in.AtEnd() ? ReadProblem::kNone : ReadProblem::kMalformed;
}

ReadProblem ReadIndex(const std::uint8_t* data, std::size_t size,
                      const std::vector<TrustedKey>& trusted, const VerifyFunction& verify,
                      Index& index) {
  Envelope envelope;
  const ReadProblem problem = OpenSigned(data, size, kIndexMagic, trusted, verify, envelope);
  return problem != ReadProblem::kNone ? problem
                                       : ParseIndexBody(envelope.body, envelope.bodySize, index);
}

ReadProblem ReadRotation(const std::uint8_t* data, std::size_t size,
                         const std::vector<TrustedKey>& trusted, const VerifyFunction& verify,
                         Rotation& rotation) {
  Envelope envelope;
  ReadProblem problem = OpenSigned(data, size, kRotationMagic, trusted, verify, envelope);
  if (problem == ReadProblem::kNone)
    problem = ParseRotationBody(envelope.body, envelope.bodySize, rotation);
  if (problem == ReadProblem::kNone &&
      !verify(rotation.newKey, data, envelope.signedSize, envelope.cosignature))
    problem = ReadProblem::kBadSignature;
  return problem;
}

Freshness CheckFreshness(const Index& index, std::uint64_t highestSerialSeen,
                         std::uint64_t nowUnixSeconds) {
  if (index.serial < highestSerialSeen) return Freshness::kReplayed;
  if (index.expiresAt <= nowUnixSeconds) return Freshness::kExpired;
  return Freshness::kFresh;
}

std::string HexText(const std::uint8_t* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

std::string ContentPath(const Hash& hash) {
  const std::string hex = HexText(hash.data(), hash.size());
  return hex.substr(0, 2) + "/" + hex;
}

std::string CompressedPath(const Hash& hash) {
  return ContentPath(hash) + ".zst";
}

std::string PatchPath(const Hash& from, const Hash& to) {
  return ContentPath(from) + "-" + HexText(to.data(), to.size()) + ".zst";
}

const ContentForms* FormsOf(const Index& index, const Hash& content) {
  for (const ContentForms& forms : index.forms)
    if (forms.content == content) return &forms;
  return nullptr;
}

}  // namespace feed
