// mksetup keygen: the publisher's key pair. The private key never enters a feed.
#include "commands.h"
#include "feed_crypto.h"
#include "feed_format.h"
#include "manifest.h"
#include "release_commands.h"

namespace mksetup {

int GenerateKeyPair(const std::string& name, std::ostream& out, std::ostream& err) {
  SigningKey key;
  std::string error;
  const std::filesystem::path privateFile = name + ".key", publicFile = name + ".pub";
  if (!key.Generate(error) || !key.Write(privateFile, publicFile, error)) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  const feed::KeyId id = key.id();
  out << "wrote " << PathText(privateFile) << " (private: keep it off the feed and the server) and "
      << PathText(publicFile) << " (key id " << feed::HexText(id.data(), id.size()) << ")\n";
  return kExitOk;
}

}  // namespace mksetup
