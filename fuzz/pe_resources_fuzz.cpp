// Arbitrary bytes as a Windows image: mksetup's list and verify commands read the
// archive out of any Setup.exe they are given, so the resource reader must refuse a
// malformed image with a reason and never read outside it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> image(data, data + size);
  static const char* const kLookups[][2] = {
      {"BIN", "ID_SETUPFILE1"}, {"BIN", "ID_SETUPFILE3"}, {"#16", "#1"}, {"OLD", "KEEPME"}};
  for (const auto& lookup : kLookups) {
    std::vector<std::uint8_t> resource;
    std::string error;
    const bool found = peres::ReadResource(image, lookup[0], lookup[1], resource, error);
    if (!found && error.empty()) std::abort();
    if (found && resource.size() > image.size()) std::abort();
  }
  return 0;
}
