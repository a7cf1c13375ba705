#include "feed_cng_win.h"

#include <windows.h>

#include <bcrypt.h>

#include <cstring>
#include <vector>

namespace feed {
namespace {

// One CNG handle, closed on every path.
class Algorithm {
 public:
  explicit Algorithm(const wchar_t* name) {
    if (BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0) < 0) handle_ = nullptr;
  }
  ~Algorithm() {
    if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_ != nullptr) BCryptDestroyKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  BCRYPT_KEY_HANDLE* out() { return &handle_; }
  BCRYPT_KEY_HANDLE get() const { return handle_; }

 private:
  BCRYPT_KEY_HANDLE handle_ = nullptr;
};

}  // namespace

bool Sha256WithCng(const std::uint8_t* data, std::size_t size, Hash& hash) {
  Algorithm sha(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE handle = nullptr;
  if (sha.get() == nullptr || BCryptCreateHash(sha.get(), &handle, nullptr, 0, nullptr, 0, 0) < 0)
    return false;
  bool ok = true;
  // BCryptHashData takes a ULONG: large inputs go in pieces.
  for (std::size_t done = 0; ok && done < size;) {
    const ULONG piece = static_cast<ULONG>(size - done < 0x40000000 ? size - done : 0x40000000);
    ok = BCryptHashData(handle, const_cast<PUCHAR>(data + done), piece, 0) >= 0;
    done += piece;
  }
  ok = ok && BCryptFinishHash(handle, hash.data(), static_cast<ULONG>(hash.size()), 0) >= 0;
  BCryptDestroyHash(handle);
  return ok;
}

bool KeyIdWithCng(const PublicKey& key, KeyId& id) {
  Hash hash;
  if (!Sha256WithCng(key.data(), key.size(), hash)) return false;
  std::memcpy(id.data(), hash.data(), id.size());
  return true;
}

bool VerifyWithCng(const PublicKey& key, const std::uint8_t* message, std::size_t size,
                   const Signature& signature) {
  Hash digest;
  if (!Sha256WithCng(message, size, digest)) return false;
  // BCRYPT_ECCKEY_BLOB (magic, coordinate length) followed by X and Y.
  std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
  const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC,
                                  static_cast<ULONG>(key.size() / 2)};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, key.data(), key.size());
  Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  Key imported;
  return ecdsa.get() != nullptr &&
         BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, imported.out(),
                             blob.data(), static_cast<ULONG>(blob.size()), 0) >= 0 &&
         BCryptVerifySignature(
             imported.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
             const_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), 0) >= 0;
}

}  // namespace feed
