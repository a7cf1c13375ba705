// Arbitrary bytes as the command line a package manager or an administrator's script
// hands Setup.exe, and as the product identity resource beside the archive. Neither
// reader may fail on them, and what each accepts must hold together.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "product_identity.h"
#include "s_logging.h"
#include "setup_switches.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const setup::SetupSwitches switches = setup::ParseSetupSwitches(text);
  // A line without switches changes nothing; a refused one says which word.
  if (!switches.any) Require(!switches.malformed && !switches.log && !switches.directory);
  Require(!switches.malformed || !switches.problem.empty());
  Require(switches.logFile.size() < CLog::kFileNameSize);
  Require(!switches.directory || !switches.directory->empty());

  if (const auto identity = archive::ParseProductIdentity(data, size)) {
    // What was read writes back to bytes that read the same.
    const std::string bytes = archive::ProductIdentityBytes(*identity);
    Require(archive::ParseProductIdentity(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                          bytes.size()) == identity);
  }
  return 0;
}
