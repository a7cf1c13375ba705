#include "sha256_stream_win.h"

#include <windows.h>

#include <bcrypt.h>

namespace feed {

Sha256Stream::Sha256Stream() {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return;
  algorithm_ = algorithm;
  Start();
}

Sha256Stream::~Sha256Stream() {
  if (hash_ != nullptr) BCryptDestroyHash(hash_);
  if (algorithm_ != nullptr) BCryptCloseAlgorithmProvider(algorithm_, 0);
}

bool Sha256Stream::Start() {
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (algorithm_ == nullptr || BCryptCreateHash(algorithm_, &hash, nullptr, 0, nullptr, 0, 0) < 0)
    return false;
  hash_ = hash;
  return true;
}

bool Sha256Stream::Add(const std::uint8_t* data, std::size_t size) {
  // BCryptHashData takes a ULONG: large inputs go in pieces.
  for (std::size_t done = 0; done < size;) {
    const ULONG piece = static_cast<ULONG>(size - done < 0x40000000 ? size - done : 0x40000000);
    if (hash_ == nullptr || BCryptHashData(hash_, const_cast<PUCHAR>(data + done), piece, 0) < 0)
      return false;
    done += piece;
  }
  return hash_ != nullptr;
}

bool Sha256Stream::Finish(Hash& hash) {
  const bool ok = hash_ != nullptr &&
                  BCryptFinishHash(hash_, hash.data(), static_cast<ULONG>(hash.size()), 0) >= 0;
  // A finished CNG hash object takes no more data.
  if (hash_ != nullptr) BCryptDestroyHash(hash_);
  hash_ = nullptr;
  Start();
  return ok;
}

}  // namespace feed
