#include "feed_writer.h"

#include <cstring>

namespace feed {
namespace {

class Out {
 public:
  explicit Out(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  void Number(std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
      bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void U32(std::uint32_t value) { Number(value, 4); }
  void U64(std::uint64_t value) { Number(value, 8); }
  void Count(std::size_t count) { U32(static_cast<std::uint32_t>(count)); }
  // The reader refuses what does not fit its limits; the writer's callers check
  // lengths against the same limits before they get here.
  void Text(const std::string& text) {
    Number(text.size(), 2);
    bytes_.insert(bytes_.end(), text.begin(), text.end());
  }
  template <std::size_t N>
  void Bytes(const std::array<std::uint8_t, N>& in) {
    bytes_.insert(bytes_.end(), in.begin(), in.end());
  }
  void WriteVersion(const Version& v) {
    U32(v.ms);
    U32(v.ls);
  }
  void Content(const ContentRef& content) {
    Bytes(content.hash);
    U64(content.size);
  }

 private:
  std::vector<std::uint8_t>& bytes_;
};

void WriteRelease(Out& out, const Release& r) {
  out.WriteVersion(r.version);
  out.WriteVersion(r.updatesFrom);
  out.Text(r.title);
  out.Text(r.startMenuGroup);
  out.Count(r.directories.size());
  for (const std::string& directory : r.directories) out.Text(directory);
  out.Count(r.files.size());
  for (const ReleaseFile& file : r.files) {
    out.Text(file.name);
    out.U64(file.fileTime);
    out.Content(file.content);
  }
  for (std::uint32_t language = 0; language < kLanguageCount; ++language) {
    out.Text(r.readmeFiles[language]);
    out.Text(r.readmeLinks[language]);
  }
  out.Text(r.programFile);
  out.Text(r.desktopLinkName);
  out.Count(r.shortcuts.size());
  for (const ReleaseShortcut& shortcut : r.shortcuts) {
    out.Text(shortcut.targetFile);
    out.U32(shortcut.linkNameId);
  }
  for (const ContentRef& notes : r.patchNotes) out.Content(notes);
}

}  // namespace

std::vector<std::uint8_t> IndexBody(const Index& index) {
  std::vector<std::uint8_t> bytes;
  Out out(bytes);
  out.U32(index.bodyVersion);
  out.U32(index.minReaderVersion);
  out.Text(index.product);
  out.U64(index.serial);
  out.U64(index.issuedAt);
  out.U64(index.expiresAt);
  out.Count(index.keys.size());
  for (const PublicKey& key : index.keys) out.Bytes(key);
  out.Count(index.mirrors.size());
  for (const std::string& mirror : index.mirrors) out.Text(mirror);
  out.WriteVersion(index.updaterVersion);
  out.Content(index.updater);
  out.Content(index.serverList);
  out.Count(index.releases.size());
  for (const Release& release : index.releases) WriteRelease(out, release);
  if (index.bodyVersion >= kFormsBodyVersion) {
    out.Count(index.forms.size());
    for (const ContentForms& forms : index.forms) {
      out.Bytes(forms.content);
      out.Content(forms.compressed);
      out.Count(forms.patches.size());
      for (const Patch& patch : forms.patches) {
        out.Bytes(patch.from);
        out.Content(patch.patch);
      }
    }
  }
  return bytes;
}

std::vector<std::uint8_t> RotationBody(const Rotation& rotation) {
  std::vector<std::uint8_t> bytes;
  Out out(bytes);
  out.Bytes(rotation.newKey);
  out.U64(rotation.serial);
  return bytes;
}

std::vector<std::uint8_t> ToSign(const char* magic, const KeyId& keyId,
                                 const std::vector<std::uint8_t>& body) {
  std::vector<std::uint8_t> bytes(magic, magic + kMagicSize);
  Out out(bytes);
  out.U32(kEnvelopeVersion);
  out.Bytes(keyId);
  out.Count(body.size());
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

std::vector<std::uint8_t> Seal(std::vector<std::uint8_t> toSign,
                               const std::vector<Signature>& signatures) {
  Out out(toSign);
  for (const Signature& signature : signatures) out.Bytes(signature);
  return toSign;
}

}  // namespace feed
