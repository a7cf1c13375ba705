#include "feed_crypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>

#include "manifest.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace mksetup {
namespace {

namespace fs = std::filesystem;

constexpr char kCurve[] = "prime256v1";
constexpr std::size_t kCoordinate = 32;

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using MdContext = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using EcdsaSig = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

// X||Y of the key's point; false unless it is an uncompressed P-256 point.
bool RawPoint(EVP_PKEY* key, feed::PublicKey& out) {
  unsigned char point[1 + 2 * kCoordinate];
  std::size_t length = 0;
  char group[32] = {};
  if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                     nullptr) != 1 ||
      std::strcmp(group, kCurve) != 0 ||
      EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &length) !=
          1 ||
      length != sizeof point || point[0] != 4)
    return false;
  std::memcpy(out.data(), point + 1, out.size());
  return true;
}

Pkey FromRawPoint(const feed::PublicKey& key) {
  unsigned char point[1 + 2 * kCoordinate] = {4};
  std::memcpy(point + 1, key.data(), key.size());
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>(kCurve), 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point),
      OSSL_PARAM_construct_end()};
  std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>> context(
      EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* made = nullptr;
  if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &made, EVP_PKEY_PUBLIC_KEY, params) != 1)
    return nullptr;
  return Pkey(made);
}

Bio OpenBio(const fs::path& file, const char* mode) {
  return Bio(BIO_new_file(PathText(file).c_str(), mode));
}

// A new file (never over an existing one), created with `mode` from its first byte,
// written through to the disk and closed with every error seen: a full disk must not
// leave a truncated key behind a "wrote". A file that fails is removed.
bool WritePemFile(const fs::path& file, int mode, const std::function<int(BIO*)>& write) {
#ifndef _WIN32
  const int fd = open(PathText(file).c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
  FILE* raw = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (raw == nullptr && fd >= 0) close(fd);
#else
  (void)mode;
  FILE* raw = std::fopen(PathText(file).c_str(), "wbx");
#endif
  if (raw == nullptr) return false;
  bool ok = false;
  {
    Bio out(BIO_new_fp(raw, BIO_NOCLOSE));
    ok = out && write(out.get()) == 1 && BIO_flush(out.get()) == 1;
  }
  ok = std::fflush(raw) == 0 && ok;
#ifndef _WIN32
  ok = fsync(fileno(raw)) == 0 && ok;
#endif
  ok = std::fclose(raw) == 0 && ok;
  std::error_code ignored;
  if (!ok) fs::remove(file, ignored);
  return ok;
}

}  // namespace

struct SigningKey::State {
  Pkey key;
};

SigningKey::SigningKey() : state_(std::make_unique<State>()) {}
SigningKey::~SigningKey() = default;
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;

bool SigningKey::Generate(std::string& error) {
  state_->key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", kCurve));
  if (state_->key && RawPoint(state_->key.get(), publicKey_)) return true;
  error = "libcrypto cannot make a P-256 key pair";
  return false;
}

bool SigningKey::Load(const fs::path& file, std::string& error) {
  Bio in = OpenBio(file, "rb");
  if (!in) {
    error = PathText(file) + ": cannot be read";
    return false;
  }
  state_->key.reset(PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr));
  if (state_->key && RawPoint(state_->key.get(), publicKey_)) return true;
  error = PathText(file) + ": is not a P-256 private key in PEM (mksetup keygen makes one)";
  return false;
}

bool SigningKey::Write(const fs::path& privateFile, const fs::path& publicFile,
                       std::string& error) const {
  for (const fs::path& file : {privateFile, publicFile})
    if (fs::exists(file)) {
      error = PathText(file) + ": exists already; a key is never overwritten";
      return false;
    }
  EVP_PKEY* key = state_->key.get();
  if (!WritePemFile(privateFile, 0600, [key](BIO* out) {
        return PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
      })) {
    error = PathText(privateFile) + ": cannot be written";
    return false;
  }
  if (!WritePemFile(publicFile, 0644, [key](BIO* out) { return PEM_write_bio_PUBKEY(out, key); })) {
    // Not half a pair: a rerun finds both names free.
    std::error_code ignored;
    fs::remove(privateFile, ignored);
    error = PathText(publicFile) + ": cannot be written";
    return false;
  }
  return true;
}

feed::KeyId SigningKey::id() const {
  return KeyIdOf(publicKey_);
}

std::vector<std::uint8_t> SigningKey::PublicPem() const {
  Bio memory(BIO_new(BIO_s_mem()));
  char* data = nullptr;
  if (!memory || PEM_write_bio_PUBKEY(memory.get(), state_->key.get()) != 1) return {};
  const long length = BIO_get_mem_data(memory.get(), &data);
  return std::vector<std::uint8_t>(data, data + length);
}

bool SigningKey::Sign(const std::vector<std::uint8_t>& message, feed::Signature& signature,
                      std::string& error) const {
  MdContext context(EVP_MD_CTX_new());
  std::size_t length = 0;
  std::vector<unsigned char> der;
  if (context && state_->key &&
      EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, state_->key.get()) == 1 &&
      EVP_DigestSign(context.get(), nullptr, &length, message.data(), message.size()) == 1) {
    der.resize(length);
    if (EVP_DigestSign(context.get(), der.data(), &length, message.data(), message.size()) == 1) {
      const unsigned char* at = der.data();
      EcdsaSig parsed(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(length)));
      const BIGNUM* r = nullptr;
      const BIGNUM* s = nullptr;
      if (parsed) ECDSA_SIG_get0(parsed.get(), &r, &s);
      if (parsed && BN_bn2binpad(r, signature.data(), kCoordinate) == kCoordinate &&
          BN_bn2binpad(s, signature.data() + kCoordinate, kCoordinate) == kCoordinate)
        return true;
    }
  }
  error = "libcrypto cannot sign";
  return false;
}

bool LoadPublicKey(const fs::path& file, feed::PublicKey& key, std::string& error) {
  Bio in = OpenBio(file, "rb");
  Pkey loaded(in ? PEM_read_bio_PUBKEY(in.get(), nullptr, nullptr, nullptr) : nullptr);
  if (loaded && RawPoint(loaded.get(), key)) return true;
  error = PathText(file) + (in ? ": is not a P-256 public key in PEM (mksetup keygen makes one)"
                               : ": cannot be read");
  return false;
}

feed::KeyId KeyIdOf(const feed::PublicKey& key) {
  const feed::Hash hash = Sha256(key.data(), key.size());
  feed::KeyId id;
  std::memcpy(id.data(), hash.data(), id.size());
  return id;
}

feed::TrustedKey Trusted(const feed::PublicKey& key) {
  return {KeyIdOf(key), key};
}

bool VerifyWithLibcrypto(const feed::PublicKey& key, const std::uint8_t* message, std::size_t size,
                         const feed::Signature& signature) {
  Pkey pkey = FromRawPoint(key);
  EcdsaSig sig(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(signature.data(), kCoordinate, nullptr);
  BIGNUM* s = BN_bin2bn(signature.data() + kCoordinate, kCoordinate, nullptr);
  if (!pkey || !sig || r == nullptr || s == nullptr || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return false;
  }
  unsigned char* der = nullptr;
  const int derLength = i2d_ECDSA_SIG(sig.get(), &der);
  MdContext context(EVP_MD_CTX_new());
  const bool valid =
      derLength > 0 && context &&
      EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, pkey.get()) == 1 &&
      EVP_DigestVerify(context.get(), der, static_cast<std::size_t>(derLength), message, size) == 1;
  OPENSSL_free(der);
  return valid;
}

feed::Hash Sha256(const std::uint8_t* data, std::size_t size) {
  feed::Hash hash{};
  unsigned int length = 0;
  EVP_Digest(data, size, hash.data(), &length, EVP_sha256(), nullptr);
  return hash;
}

Sha256Stream::Sha256Stream() : context_(EVP_MD_CTX_new()) {
  auto* context = static_cast<EVP_MD_CTX*>(context_);
  if (context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    context_ = nullptr;
  }
}

Sha256Stream::~Sha256Stream() {
  EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context_));
}

bool Sha256Stream::Update(const void* data, std::size_t size) {
  return context_ != nullptr &&
         EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context_), data, size) == 1;
}

bool Sha256Stream::Finish(feed::Hash& hash) {
  unsigned int length = 0;
  return context_ != nullptr &&
         EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(context_), hash.data(), &length) == 1;
}

bool Sha256File(const fs::path& file, feed::Hash& hash, std::uint64_t& size) {
  std::ifstream in(file, std::ios::binary);
  Sha256Stream stream;
  std::vector<char> buffer(1 << 20);
  size = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    size += got;
    if (got > 0 && !stream.Update(buffer.data(), got)) return false;
  }
  return in.eof() && !in.bad() && stream.Finish(hash);
}

}  // namespace mksetup
