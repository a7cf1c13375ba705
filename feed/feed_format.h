// The update feed's index: one file that a host tool writes and the updater reads.
// A header (type tag, format version, key id, body length), the body, then the
// signatures over header and body together, so that neither a record can pass for an
// index nor a header be changed under a body. The body is a stream of little-endian
// fields and length-prefixed texts. One definition for both sides.
//
// Envelope, version 2:
//   8   type tag             "TDMFEED\x1A" (index) or "TDMKEYR\x1A" (key rotation)
//   4   envelope version     2
//   8   key id               first 8 bytes of SHA-256 of the signer's X||Y
//   4   body length
//   n   body
//   64  signature            ECDSA P-256 over SHA-256 of the bytes before it, raw r||s
//   64  a rotation only: the new key's signature over the same bytes
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace feed {

inline constexpr std::size_t kMagicSize = 8;
inline constexpr char kIndexMagic[kMagicSize + 1] = "TDMFEED\x1A";
inline constexpr char kRotationMagic[kMagicSize + 1] = "TDMKEYR\x1A";
inline constexpr std::uint32_t kEnvelopeVersion = 2;
// The body layout this code writes and reads; a feed that needs a newer reader says so
// in its body (minReaderVersion) once the envelope has been checked.
// Body 2 appends the smaller forms of contents (compressed, patches); body 1 readers,
// which the format lets skip what follows, still fetch the plain files.
inline constexpr std::uint32_t kBodyVersion = 2;
inline constexpr std::uint32_t kFormsBodyVersion = 2;

inline constexpr std::size_t kKeyIdSize = 8;
inline constexpr std::size_t kPublicKeySize = 64;  // X||Y of a P-256 point, big-endian each
inline constexpr std::size_t kSignatureSize = 64;  // r||s, 32 bytes each, big-endian
inline constexpr std::size_t kHashSize = 32;       // SHA-256
inline constexpr std::size_t kHeaderSize = kMagicSize + 4 + kKeyIdSize + 4;
inline constexpr std::size_t kEnvelopeSize = kHeaderSize + kSignatureSize;  // an index's

// The index names texts as the archive carries them: Windows-1252, at most 255 bytes.
inline constexpr std::size_t kMaxTextLength = 255;
// Bounds the reader applies before it reserves anything, so a hostile count cannot
// make it allocate: a count must also fit the bytes that are left.
inline constexpr std::uint32_t kMaxCount = 1'000'000;
// The updater reads no longer index; publish warns at a tenth of it.
inline constexpr std::size_t kIndexSizeLimit = 16 * 1024 * 1024;

using KeyId = std::array<std::uint8_t, kKeyIdSize>;
using PublicKey = std::array<std::uint8_t, kPublicKeySize>;
using Signature = std::array<std::uint8_t, kSignatureSize>;
using Hash = std::array<std::uint8_t, kHashSize>;

struct Version {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  friend auto operator<=>(const Version&, const Version&) = default;
};

// A file of the feed, stored once under files/<first two hex digits>/<64 hex digits>.
struct ContentRef {
  Hash hash{};
  std::uint64_t size = 0;
  bool present() const { return hash != Hash{}; }
  friend bool operator==(const ContentRef&, const ContentRef&) = default;
};

struct ReleaseFile {
  std::string name;            // relative, "/" between folders, as the archive stores it
  std::uint64_t fileTime = 0;  // FILETIME, as the archive stores it
  ContentRef content;
  friend bool operator==(const ReleaseFile&, const ReleaseFile&) = default;
};

struct ReleaseShortcut {
  std::string targetFile;
  std::uint32_t linkNameId = 0;
  friend bool operator==(const ReleaseShortcut&, const ReleaseShortcut&) = default;
};

inline constexpr std::uint32_t kLanguageCount = 2;  // 0 German, 1 English

// One release, described as its Full archive describes it, so that an updater can
// write its files, uninstall list and links as Setup would.
struct Release {
  Version version;
  Version updatesFrom;  // the oldest installed version this release can update
  std::string title;
  std::string startMenuGroup;
  std::vector<std::string> directories;  // each after its parent, empty ones included
  std::vector<ReleaseFile> files;
  std::array<std::string, kLanguageCount> readmeFiles;
  std::array<std::string, kLanguageCount> readmeLinks;
  std::string programFile;
  std::string desktopLinkName;
  std::vector<ReleaseShortcut> shortcuts;
  std::array<ContentRef, kLanguageCount> patchNotes;  // patchnotes_deutsch/_english.txt
  friend bool operator==(const Release&, const Release&) = default;
};

// A zstd patch that turns the content `from` into the content it is listed under:
// stored as patches/ab/<from>-<to>.zst, `patch` its own SHA-256 and size.
struct Patch {
  Hash from{};
  ContentRef patch;
  friend bool operator==(const Patch&, const Patch&) = default;
};

// The smaller ways to one content: its zstd-compressed form, stored as files/ab/<hash>.zst
// (`compressed` its own SHA-256 and size; absent when compression saved too little), and
// patches from earlier contents.
struct ContentForms {
  Hash content{};
  ContentRef compressed;
  std::vector<Patch> patches;
  friend bool operator==(const ContentForms&, const ContentForms&) = default;
};

struct Index {
  std::uint32_t bodyVersion = kBodyVersion;
  std::uint32_t minReaderVersion = 1;  // the lowest updater that can read this feed
  std::string product;
  std::uint64_t serial = 0;          // only grows
  std::uint64_t issuedAt = 0;        // seconds since 1970-01-01 UTC
  std::uint64_t expiresAt = 0;       // seconds since 1970-01-01 UTC
  std::vector<PublicKey> keys;       // the keys an updater accepts from now on
  std::vector<std::string> mirrors;  // update servers' base URLs, the first preferred
  Version updaterVersion;            // the newest updater program, when `updater` is present
  ContentRef updater;
  ContentRef serverList;
  std::vector<Release> releases;    // oldest first
  std::vector<ContentForms> forms;  // body 2 on; a content without any has no entry
  friend bool operator==(const Index&, const Index&) = default;
};

// A key rotation: the old key (the envelope's signer) names the key that follows it,
// and the new key signs the record too, so that neither alone can make one.
struct Rotation {
  PublicKey newKey{};
  std::uint64_t serial = 0;  // the index serial from which the new key signs
  friend bool operator==(const Rotation&, const Rotation&) = default;
};

// What mksetup writes into the updater program of a release with [Updater]: the feed's
// URL (its bytes, no terminator), the raw public key (X||Y) the updater starts trusting
// and the product.
inline constexpr char kUpdaterResourceType[] = "TDMFEED";
inline constexpr char kUpdaterUrlResource[] = "URL";
inline constexpr char kUpdaterKeyResource[] = "KEY";
// The product the updater's installation is (the index's `product`), its bytes.
inline constexpr char kUpdaterProductResource[] = "PRODUCT";

// "ab/abcdef..." below files/: where a content file lives in the feed.
std::string ContentPath(const Hash& hash);
std::string HexText(const std::uint8_t* bytes, std::size_t size);
// "ab/<hash>.zst" below files/, and "ab/<from>-<to>.zst" below patches/.
std::string CompressedPath(const Hash& hash);
std::string PatchPath(const Hash& from, const Hash& to);
// The forms the index lists for `content`, or nullptr.
const ContentForms* FormsOf(const Index& index, const Hash& content);

}  // namespace feed
