// mksetup.exe is built without OpenSSL: the feed's signing and hashing live in the
// host build, which publishers run.
#include "commands.h"
#include "feed_crypto.h"
#include "feed_publish.h"
#include "release_commands.h"

namespace mksetup {
namespace {

int Unavailable(std::ostream& err) {
  err << "mksetup: this mksetup.exe has no feed commands; run the host build's mksetup\n";
  return kExitFailed;
}

}  // namespace

int PublishRelease(const PublishOptions&, const FeedOptions&, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}
int RefreshFeed(const FeedOptions&, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}
int RotateFeedKey(const FeedOptions&, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}
int VerifyFeed(const std::filesystem::path&, const std::filesystem::path&, std::ostream&,
               std::ostream& err) {
  return Unavailable(err);
}
int ListFeed(const std::filesystem::path&, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}
int PruneFeed(const FeedOptions&, std::size_t, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}
int FeedStatus(const std::filesystem::path&, std::uint32_t, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}
bool LoadPublicKey(const std::filesystem::path&, feed::PublicKey&, std::string& error) {
  error = "this mksetup.exe cannot read public keys; run the host build's mksetup";
  return false;
}
bool EmbeddedKeyAccepted(const std::filesystem::path&, const feed::PublicKey&, std::string& error) {
  error = "this mksetup.exe cannot read a feed; run the host build's mksetup";
  return false;
}
bool ManifestKeyAccepted(const Manifest&, const std::filesystem::path&, std::string& error) {
  error = "this mksetup.exe cannot read a feed; run the host build's mksetup";
  return false;
}
int GenerateKeyPair(const std::string&, std::ostream&, std::ostream& err) {
  return Unavailable(err);
}

}  // namespace mksetup
