#include <openssl/evp.h>

#include <fstream>
#include <memory>

#include "file_sha256.h"
#include "manifest.h"

namespace mksetup {

bool FileSha256(const std::filesystem::path& file, std::string& hex, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        EVP_MD_CTX_free);
  bool ok = in && context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
  char buffer[1 << 16];
  while (ok && in) {
    in.read(buffer, sizeof buffer);
    ok = !in.bad() &&
         EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(in.gcount())) == 1;
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  ok = ok && EVP_DigestFinal_ex(context.get(), digest, &length) == 1 && length == 32;
  if (!ok) {
    error = PathText(file) + ": cannot be read";
    return false;
  }
  static constexpr char kDigits[] = "0123456789ABCDEF";
  hex.clear();
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 15];
  }
  return true;
}

}  // namespace mksetup
