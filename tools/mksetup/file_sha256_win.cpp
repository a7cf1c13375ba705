#include <windows.h>
#include <bcrypt.h>

#include <fstream>

#include "file_sha256.h"
#include "manifest.h"

namespace mksetup {
namespace {

// The algorithm and hash handles, closed on every way out.
struct Sha256Hash {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  Sha256Hash() {
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
      algorithm = nullptr;
    else if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) != 0)
      hash = nullptr;
  }
  ~Sha256Hash() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

}  // namespace

bool FileSha256(const std::filesystem::path& file, std::string& hex, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  Sha256Hash sha;
  bool ok = in && sha.hash != nullptr;
  static char buffer[1 << 16];
  while (ok && in) {
    in.read(buffer, sizeof buffer);
    ok = !in.bad() && BCryptHashData(sha.hash, reinterpret_cast<PUCHAR>(buffer),
                                     static_cast<ULONG>(in.gcount()), 0) == 0;
  }
  unsigned char digest[32];
  ok = ok && BCryptFinishHash(sha.hash, digest, sizeof digest, 0) == 0;
  if (!ok) {
    error = PathText(file) + ": cannot be read";
    return false;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  hex.clear();
  for (const unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return true;
}

}  // namespace mksetup
