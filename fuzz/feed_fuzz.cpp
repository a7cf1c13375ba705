// Arbitrary bytes as a feed index or key rotation file. The envelope reader sees them
// as they come; then, as if the signature had been made by an accepted key (an
// attacker holding a publisher's key, or a bug in a verifier), the body parsers see
// them too. Each input lives in a heap block of its exact size, so a read past it is
// caught; a parsed index must write back to the very bytes it was read from, content
// forms (compressed files, patches) included.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "feed_reader.h"
#include "feed_writer.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool AcceptAny(const feed::PublicKey&, const std::uint8_t*, std::size_t, const feed::Signature&) {
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> copy(data, data + size);
  for (const char* magic : {feed::kIndexMagic, feed::kRotationMagic}) {
    feed::Envelope envelope;
    if (feed::ReadEnvelope(copy.data(), copy.size(), magic, envelope) != feed::ReadProblem::kNone)
      continue;
    const std::size_t signatures = magic == feed::kRotationMagic ? 2 : 1;
    Require(envelope.body + envelope.bodySize == copy.data() + envelope.signedSize &&
            envelope.signedSize + signatures * feed::kSignatureSize == copy.size());
    // The key the envelope names is the one accepted, so the parsers run.
    const std::vector<feed::TrustedKey> trusted = {{envelope.keyId, {}}};
    feed::Index index;
    feed::Rotation rotation;
    if (magic == feed::kIndexMagic &&
        feed::ReadIndex(copy.data(), copy.size(), trusted, AcceptAny, index) ==
            feed::ReadProblem::kNone &&
        index.bodyVersion <= feed::kBodyVersion)
      Require(feed::IndexBody(index) ==
              std::vector<std::uint8_t>(envelope.body, envelope.body + envelope.bodySize));
    if (magic == feed::kRotationMagic &&
        feed::ReadRotation(copy.data(), copy.size(), trusted, AcceptAny, rotation) ==
            feed::ReadProblem::kNone)
      Require(feed::RotationBody(rotation).size() == envelope.bodySize);
  }
  // The body alone, without an envelope in front; the content forms it lists are
  // found by their contents and name their files under the names the updater fetches.
  feed::Index index;
  if (feed::ParseIndexBody(copy.data(), copy.size(), index) == feed::ReadProblem::kNone &&
      index.bodyVersion <= feed::kBodyVersion) {
    Require(feed::IndexBody(index) == copy);
    for (const feed::ContentForms& forms : index.forms) {
      Require(feed::FormsOf(index, forms.content) != nullptr);
      for (const feed::Patch& patch : forms.patches)
        Require(feed::PatchPath(patch.from, forms.content).size() == 2 + 1 + 64 + 1 + 64 + 4);
    }
  }
  return 0;
}
