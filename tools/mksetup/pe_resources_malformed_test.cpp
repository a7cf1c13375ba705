// Untrusted images: every malformation must end in a clear refusal, never a crash
// or a read outside the buffer (the host-asan tree runs these under AddressSanitizer).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pe_image.h"
#include "pe_resources.h"
#include "pe_test_image.h"

namespace peres {
namespace {

using testing::kOptionalHeader;
using testing::kResourceRaw;
using testing::MakeStubImage;

bool ReadVersion(const std::vector<std::uint8_t>& image, std::string& error) {
  std::vector<std::uint8_t> data;
  return ReadResource(image, "#16", "#1", data, error);
}

TEST(PeResourcesMalformed, TheUntouchedImageIsReadable) {
  std::string error;
  EXPECT_TRUE(ReadVersion(MakeStubImage(), error)) << error;
}

TEST(PeResourcesMalformed, EveryTruncationIsRefusedWithoutCrashing) {
  const auto image = MakeStubImage();
  // The whole tree is checked: the manifest's data, the last in the file, ends at
  // 0x600 + 304 + its size; any shorter file lacks it.
  const std::size_t needed = kResourceRaw + 304 + testing::kManifestData.size();
  for (std::size_t length = 0; length < needed; ++length) {
    const std::vector<std::uint8_t> cut(image.begin(),
                                        image.begin() + static_cast<std::ptrdiff_t>(length));
    std::string error;
    EXPECT_FALSE(ReadVersion(cut, error)) << "length " << length;
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  EXPECT_TRUE(
      ReadVersion({image.begin(), image.begin() + static_cast<std::ptrdiff_t>(needed)}, error))
      << error;
}

TEST(PeResourcesMalformed, HeadersThatAreNotPe32PlusAreRefused) {
  std::string error;
  auto image = MakeStubImage();
  image[0] = 'X';
  EXPECT_FALSE(ReadVersion(image, error));
  EXPECT_NE(error.find("MZ"), std::string::npos);

  image = MakeStubImage();
  ASSERT_TRUE(PutU32(image, kDosLfanewOffset, 0xFFFFFFF0));  // PE header far beyond the file
  EXPECT_FALSE(ReadVersion(image, error));

  image = MakeStubImage();
  ASSERT_TRUE(PutU16(image, kOptionalHeader, 0x10B));  // a 32-bit image
  EXPECT_FALSE(ReadVersion(image, error));
  EXPECT_NE(error.find("PE32+"), std::string::npos);

  image = MakeStubImage();
  ASSERT_TRUE(PutU16(image, testing::kPeOffset + 6, 0xFFFF));  // section table past the end
  EXPECT_FALSE(ReadVersion(image, error));
}

TEST(PeResourcesMalformed, ResourceDirectoryOutsideTheFileIsRefused) {
  auto image = MakeStubImage();
  ASSERT_TRUE(PutU32(image, kOptionalHeader + kOptDataDirectories + 16, 0x7FFF0000));
  std::string error;
  EXPECT_FALSE(ReadVersion(image, error));
  EXPECT_NE(error.find("outside"), std::string::npos) << error;

  // Section raw data claimed beyond the end of the file.
  image = MakeStubImage();
  ASSERT_TRUE(PutU32(image, testing::kSectionTable + 40 + 20, 0x10000));
  EXPECT_FALSE(ReadVersion(image, error));
}

TEST(PeResourcesMalformed, LoopsAndSharedDirectoriesAreRefused) {
  auto image = MakeStubImage();
  // The version type's name entry points back at the root directory.
  ASSERT_TRUE(PutU32(image, kResourceRaw + 80 + 4, 0x80000000 | testing::kRootDirectory));
  std::string error;
  EXPECT_FALSE(ReadVersion(image, error));
  EXPECT_NE(error.find("twice"), std::string::npos) << error;

  image = MakeStubImage();
  // The language level pointing to a directory: the tree would go on forever.
  ASSERT_TRUE(PutU32(image, kResourceRaw + 152 + 4, 0x80000000 | testing::kVersionNameDirectory));
  EXPECT_FALSE(ReadVersion(image, error));
}

TEST(PeResourcesMalformed, CountsAndOffsetsBeyondTheSectionAreRefused) {
  auto image = MakeStubImage();
  ASSERT_TRUE(PutU16(image, kResourceRaw + 14, 0xFFFF));  // 65535 id entries in 512 bytes
  std::string error;
  EXPECT_FALSE(ReadVersion(image, error));

  image = MakeStubImage();
  ASSERT_TRUE(PutU32(image, kResourceRaw + 16, 0x80000000 | 0x1F0));  // name runs off the end
  ASSERT_TRUE(PutU16(image, kResourceRaw + 0x1F0, 200));
  EXPECT_FALSE(ReadVersion(image, error));

  image = MakeStubImage();
  // Data entry whose RVA plus size wraps around 4 GB.
  ASSERT_TRUE(PutU32(image, kResourceRaw + testing::kVersionDataEntry + 4, 0xFFFFFFF0));
  EXPECT_FALSE(ReadVersion(image, error));
  EXPECT_NE(error.find("data outside"), std::string::npos) << error;

  image = MakeStubImage();
  ASSERT_TRUE(PutU32(image, kResourceRaw + testing::kVersionDataEntry, 0x1000));  // in .text's gap
  EXPECT_FALSE(ReadVersion(image, error));
}

TEST(PeResourcesMalformed, AbsentResourceIsReportedAsAbsent) {
  std::vector<std::uint8_t> data;
  std::string error;
  EXPECT_FALSE(ReadResource(MakeStubImage(), "BIN", "ID_SETUPFILE1", data, error));
  EXPECT_NE(error.find("no resource BIN/ID_SETUPFILE1"), std::string::npos) << error;
  EXPECT_FALSE(ReadResource(MakeStubImage(), "#16", "#2", data, error));
  EXPECT_FALSE(ReadResource(MakeStubImage(), "#16", "#70000", data, error));
}

TEST(PeResourcesMalformed, RandomDamageNeverCrashes) {
  const auto original = MakeStubImage();
  std::mt19937 random(1234);
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    auto image = original;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      // Mostly the headers and the tree, where damage matters.
      const std::size_t at = random() % 2 == 0 ? kResourceRaw + random() % 256 : random() % 0x400;
      image[at] = static_cast<std::uint8_t>(random());
    }
    std::vector<std::uint8_t> data;
    std::string error;
    if (!ReadResource(image, "#24", "#1", data, error)) {
      ++refused;
      EXPECT_FALSE(error.empty());
    } else {
      EXPECT_LE(data.size(), image.size());
    }
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace peres
