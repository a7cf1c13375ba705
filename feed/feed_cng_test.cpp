// The feed as the updater will read it under Windows: the demo's feed (published by
// demo_feed_test with libcrypto) checked through CNG, its files hashed through CNG.
#include "feed_cng_win.h"

#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "driver.h"
#include "feed_reader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Read(const std::string& file) {
  std::ifstream in(driver::WinePath(file), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// X||Y: the last 64 bytes of a P-256 SubjectPublicKeyInfo in PEM.
feed::PublicKey PemKey(const std::string& file) {
  const Bytes pem = Read(file);
  BYTE der[256];
  DWORD size = sizeof der;
  feed::PublicKey key{};
  EXPECT_TRUE(CryptStringToBinaryA(reinterpret_cast<const char*>(pem.data()),
                                   static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der,
                                   &size, nullptr, nullptr) &&
              size == 91);
  std::memcpy(key.data(), der + size - key.size(), key.size());
  return key;
}

TEST(FeedThroughCng, VerifiesTheDemoFeedAndItsFilesAndRefusesAChangedByte) {
  const feed::PublicKey key = PemKey(TDM_DEMO_FEED "/publisher.pub");
  feed::TrustedKey trusted{{}, key};
  ASSERT_TRUE(feed::KeyIdWithCng(key, trusted.id));
  Bytes index = Read(TDM_DEMO_FEED "/feed/index.tdmfeed");
  feed::Index read;
  ASSERT_EQ(feed::ReadIndex(index.data(), index.size(), {trusted}, feed::VerifyWithCng, read),
            feed::ReadProblem::kNone);
  ASSERT_EQ(read.releases.size(), 2u);
  EXPECT_EQ(read.releases[1].version, (feed::Version{807, 4}));
  for (const feed::ReleaseFile& file : read.releases[1].files) {
    const Bytes bytes = Read(TDM_DEMO_FEED "/feed/files/" + feed::ContentPath(file.content.hash));
    feed::Hash hash;
    ASSERT_TRUE(feed::Sha256WithCng(bytes.data(), bytes.size(), hash));
    EXPECT_TRUE(hash == file.content.hash && bytes.size() == file.content.size) << file.name;
  }
  index[index.size() / 2] ^= 0x01;
  EXPECT_EQ(feed::ReadIndex(index.data(), index.size(), {trusted}, feed::VerifyWithCng, read),
            feed::ReadProblem::kBadSignature);
}

}  // namespace
