// Untrusted images: every malformation ends in a clear refusal, never a crash or a
// read outside the buffer (the host-asan tree runs these under AddressSanitizer).
#include <gtest/gtest.h>

#include <random>

#include "pe_image.h"
#include "pe_resources.h"
#include "pe_test_image.h"

namespace peres {
namespace {

using namespace testing;

std::string Refusal(const std::vector<std::uint8_t>& image, const std::string& name = "#1") {
  std::vector<std::uint8_t> data;
  std::string error;
  return ReadResource(image, "#16", name, data, error) ? "read" : error;
}

TEST(PeResourcesMalformed, EveryTruncationIsRefused) {
  const auto image = MakeStubImage();
  // The whole tree is checked: the manifest's data, last in the file, ends here.
  const std::size_t needed = kResourceRaw + 304 + kManifestData.size();
  for (std::size_t length = 0; length <= needed; ++length)
    EXPECT_EQ(
        Refusal({image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)}) == "read",
        length == needed)
        << length;
}

TEST(PeResourcesMalformed, DamagedFieldsAreRefused) {
  const struct {
    std::uint32_t at, value;
    bool wide;
    const char* error;
  } rows[] = {
      {0, 'X', false, "MZ"},
      {kDosLfanewOffset, 0xFFFFFFF0, true, ""},  // PE header beyond the file
      {kOptionalHeader, 0x10B, false, "PE32+"},  // a 32-bit image
      {kPeOffset + 6, 0xFFFF, false, ""},        // sections past the end
      {kOptionalHeader + kOptDataDirectories + 16, 0x7FFF0000, true, "outside"},
      {kSectionTable + 40 + 20, 0x10000, true, ""},  // raw data beyond the file
      {kResourceRaw + 80 + 4, 0x80000000 | kRootDirectory, true, "twice"},     // a loop
      {kResourceRaw + 152 + 4, 0x80000000 | kVersionNameDirectory, true, ""},  // too deep
      {kResourceRaw + 14, 0xFFFF, false, ""},             // 65535 entries in 512 bytes
      {kResourceRaw + 16, 0x80000000 | 0x1FF, true, ""},  // a name off the end
      {kResourceRaw + kVersionDataEntry + 4, 0xFFFFFFF0, true, "data outside"},  // wraps 4 GB
      {kResourceRaw + kVersionDataEntry, 0x1000, true, ""},                      // in .text's gap
  };
  for (const auto& row : rows) {
    auto image = MakeStubImage();
    ASSERT_TRUE(row.wide ? PutU32(image, row.at, row.value)
                         : PutU16(image, row.at, static_cast<std::uint16_t>(row.value)));
    const std::string error = Refusal(image);
    EXPECT_TRUE(error != "read" && !error.empty() && error.find(row.error) != std::string::npos)
        << std::hex << row.at << ": " << error;
  }
  EXPECT_NE(Refusal(MakeStubImage(), "#2").find("no resource #16/#2"), std::string::npos);
  EXPECT_NE(Refusal(MakeStubImage(), "#70000"), "read");
}

TEST(PeResourcesMalformed, RandomDamageNeverCrashes) {
  std::mt19937 random(1234);
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    auto image = MakeStubImage();
    for (int i = 0, flips = 1 + static_cast<int>(random() % 4); i < flips; ++i)
      image[random() % 2 == 0 ? kResourceRaw + random() % 256 : random() % 0x400] =
          static_cast<std::uint8_t>(random());  // mostly the headers and the tree
    refused += Refusal(image) != "read";
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace peres
