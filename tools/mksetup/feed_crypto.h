// The feed's cryptography on the host, through OpenSSL's libcrypto: ECDSA P-256 key
// pairs in PEM files, signatures in the raw r||s form the updater's CNG takes
// directly, and SHA-256 of files and bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "feed_format.h"
#include "feed_reader.h"

namespace mksetup {

class SigningKey {
 public:
  SigningKey();
  ~SigningKey();
  SigningKey(SigningKey&&) noexcept;
  SigningKey& operator=(SigningKey&&) noexcept;

  // A new random key pair.
  bool Generate(std::string& error);
  // The private key from a PEM file (PKCS#8, as Write leaves it).
  bool Load(const std::filesystem::path& file, std::string& error);
  // Private key into `privateFile` (created for its owner only, never over an existing
  // file) and public key into `publicFile`, both PEM.
  bool Write(const std::filesystem::path& privateFile, const std::filesystem::path& publicFile,
             std::string& error) const;

  const feed::PublicKey& publicKey() const { return publicKey_; }
  feed::KeyId id() const;
  std::vector<std::uint8_t> PublicPem() const;
  bool Sign(const std::vector<std::uint8_t>& message, feed::Signature& signature,
            std::string& error) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
  feed::PublicKey publicKey_{};
};

// A public key from a PEM file (SubjectPublicKeyInfo) as keygen writes it.
bool LoadPublicKey(const std::filesystem::path& file, feed::PublicKey& key, std::string& error);

feed::KeyId KeyIdOf(const feed::PublicKey& key);
feed::TrustedKey Trusted(const feed::PublicKey& key);

// libcrypto's ECDSA verification in the reader's shape.
bool VerifyWithLibcrypto(const feed::PublicKey& key, const std::uint8_t* message, std::size_t size,
                         const feed::Signature& signature);

feed::Hash Sha256(const std::uint8_t* data, std::size_t size);

// SHA-256 of bytes that come in pieces.
class Sha256Stream {
 public:
  Sha256Stream();
  ~Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;
  bool Update(const void* data, std::size_t size);
  bool Finish(feed::Hash& hash);

 private:
  void* context_;  // EVP_MD_CTX
};
// Streams the file; false when it cannot be read whole.
bool Sha256File(const std::filesystem::path& file, feed::Hash& hash, std::uint64_t& size);

}  // namespace mksetup
