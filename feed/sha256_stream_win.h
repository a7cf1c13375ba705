// SHA-256 of bytes that arrive in pieces (a download as it is written), through CNG.
#pragma once

#include <cstddef>
#include <cstdint>

#include "feed_format.h"

namespace feed {

class Sha256Stream {
 public:
  Sha256Stream();
  ~Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;

  // False once CNG failed; every later call then fails too.
  bool Add(const std::uint8_t* data, std::size_t size);
  // The hash of everything added; the stream starts over afterwards.
  bool Finish(Hash& hash);

 private:
  bool Start();
  void* algorithm_ = nullptr;  // BCRYPT_ALG_HANDLE
  void* hash_ = nullptr;       // BCRYPT_HASH_HANDLE
};

}  // namespace feed
