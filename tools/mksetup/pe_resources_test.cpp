#include "pe_resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "pe_image.h"
#include "pe_resource_tree.h"
#include "pe_test_image.h"

namespace peres {
namespace {

namespace fs = std::filesystem;
using testing::MakeStubImage;
using testing::ReadFile;
using testing::WriteFile;

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 31 + seed + i / 251);
  return bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

class PeResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("peres-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    stub_ = Path("stub.exe");
    out_ = Path("out.exe");
    WriteFile(stub_, MakeStubImage());
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Payload(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    WriteFile(Path(name), bytes);
    return Path(name);
  }
  std::vector<std::uint8_t> Read(const std::vector<std::uint8_t>& image, const std::string& type,
                                 const std::string& name) const {
    std::vector<std::uint8_t> data;
    std::string error;
    EXPECT_TRUE(ReadResource(image, type, name, data, error))
        << type << "/" << name << ": " << error;
    return data;
  }

  fs::path dir_;
  std::string stub_;
  std::string out_;
};

TEST_F(PeResourcesTest, ThreeSegmentsComeBackByteForByteAndTheStubsOwnResourcesSurvive) {
  const auto one = Pattern(1, 7);
  const auto two = Pattern(70001, 3);
  const auto three = Pattern(0, 0);
  const std::vector<AddedResource> add = {{"BIN", "ID_SETUPFILE1", Payload("1.bin", one)},
                                          {"BIN", "ID_SETUPFILE2", Payload("2.bin", two)},
                                          {"BIN", "ID_SETUPFILE3", Payload("3.bin", three)}};
  std::string error;
  ASSERT_TRUE(WriteWithResources(stub_, add, out_, error)) << error;
  const auto image = ReadFile(out_);
  EXPECT_EQ(Read(image, "BIN", "ID_SETUPFILE1"), one);
  EXPECT_EQ(Read(image, "BIN", "ID_SETUPFILE2"), two);
  EXPECT_EQ(Read(image, "BIN", "ID_SETUPFILE3"), three);
  EXPECT_EQ(Read(image, "#16", "#1"), Bytes(testing::kVersionData));
  EXPECT_EQ(Read(image, "#24", "#1"), Bytes(testing::kManifestData));
  EXPECT_EQ(Read(image, "old", "keepme"), Bytes(testing::kKeepData));  // looked up upper-cased
  EXPECT_FALSE(fs::exists(out_ + ".tmp"));
}

TEST_F(PeResourcesTest, HeadersDescribeTheAppendedSection) {
  const auto data = Pattern(5000, 1);
  std::string error;
  ASSERT_TRUE(
      WriteWithResources(stub_, {{"BIN", "ID_SETUPFILE1", Payload("1.bin", data)}}, out_, error))
      << error;
  const auto image = ReadFile(out_);
  PeLayout layout;
  ASSERT_TRUE(ParsePeLayout(image, layout, error)) << error;
  ASSERT_EQ(layout.numberOfSections, 3);
  const SectionHeader& added = layout.sections[2];
  EXPECT_EQ(added.virtualAddress, 0x3000u);   // first free, section-aligned address
  EXPECT_EQ(added.pointerToRawData, 0x800u);  // end of the stub, file-aligned
  EXPECT_EQ(added.sizeOfRawData % 0x200, 0u);
  EXPECT_GE(added.sizeOfRawData, added.virtualSize);
  EXPECT_EQ(image.size(), std::size_t{added.pointerToRawData} + added.sizeOfRawData);
  EXPECT_EQ(layout.sizeOfImage, 0x3000 + AlignUp(added.virtualSize, 0x1000));
  EXPECT_EQ(layout.sizeOfInitializedData, 0x400 + added.sizeOfRawData);
  EXPECT_EQ(layout.resources.address, 0x3000u);
  EXPECT_EQ(layout.resources.size, added.virtualSize);
  EXPECT_EQ(std::string(image.begin() + testing::kSectionTable + 80,
                        image.begin() + testing::kSectionTable + 85),
            ".rsrc");
  std::uint32_t checksum = 1;
  ASSERT_TRUE(ReadU32(image, testing::kOptionalHeader + kOptCheckSum, checksum));
  EXPECT_EQ(checksum, 0u);
  // The stub's bytes before the new section are unchanged apart from the headers.
  EXPECT_TRUE(
      std::equal(image.begin() + 0x400, image.begin() + 0x800, MakeStubImage().begin() + 0x400));
}

TEST_F(PeResourcesTest, EntriesAreInTheOrderTheLoaderSearches) {
  const std::string path = Payload("x.bin", Pattern(3, 0));
  // '_' sorts after the letters once upper-cased; lower-case input is stored upper-cased.
  std::string error;
  ASSERT_TRUE(WriteWithResources(
      stub_, {{"BIN", "ID_B", path}, {"BIN", "ida", path}, {"BIN", "IC", path}}, out_, error))
      << error;
  const auto image = ReadFile(out_);
  PeLayout layout;
  ResourceTree tree;
  ASSERT_TRUE(ParsePeLayout(image, layout, error) && ParseResourceTree(image, layout, tree, error))
      << error;
  ASSERT_EQ(tree.size(), 4u);
  EXPECT_EQ(tree[0].key.name, u"BIN");
  EXPECT_EQ(tree[1].key.name, u"OLD");
  EXPECT_TRUE(tree[2].key.isId && tree[2].key.id == 16);
  EXPECT_TRUE(tree[3].key.isId && tree[3].key.id == 24);
  ASSERT_EQ(tree[0].names.size(), 3u);
  EXPECT_EQ(tree[0].names[0].key.name, u"IC");
  EXPECT_EQ(tree[0].names[1].key.name, u"IDA");
  EXPECT_EQ(tree[0].names[2].key.name, u"ID_B");
  EXPECT_EQ(tree[0].names[0].languages.at(0).language, kNeutralLanguage);
  EXPECT_EQ(tree[2].names.at(0).languages.at(0).language, 0x409);
}

TEST_F(PeResourcesTest, AStubResourceOfTheSameNameIsReplaced) {
  const auto data = Pattern(12, 9);
  std::string error;
  ASSERT_TRUE(WriteWithResources(stub_, {{"OLD", "KEEPME", Payload("k.bin", data)}}, out_, error))
      << error;
  EXPECT_EQ(Read(ReadFile(out_), "OLD", "KEEPME"), data);
}

TEST_F(PeResourcesTest, OutputCanItselfBeAStub) {
  std::string error;
  ASSERT_TRUE(
      WriteWithResources(stub_, {{"BIN", "A", Payload("a.bin", Pattern(10, 1))}}, out_, error));
  const std::string second = Path("second.exe");
  ASSERT_TRUE(
      WriteWithResources(out_, {{"BIN", "B", Payload("b.bin", Pattern(20, 2))}}, second, error))
      << error;
  const auto image = ReadFile(second);
  EXPECT_EQ(Read(image, "BIN", "A"), Pattern(10, 1));
  EXPECT_EQ(Read(image, "BIN", "B"), Pattern(20, 2));
}

TEST_F(PeResourcesTest, FailuresLeaveNoFileBehind) {
  WriteFile(out_, Bytes("previous"));
  std::string error;
  EXPECT_FALSE(
      WriteWithResources(stub_, {{"BIN", "ID_SETUPFILE1", Path("missing.bin")}}, out_, error));
  EXPECT_NE(error.find("missing.bin"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(out_), Bytes("previous"));
  EXPECT_FALSE(fs::exists(out_ + ".tmp"));

  const std::string path = Payload("p.bin", Pattern(4, 4));
  for (const AddedResource& bad : std::vector<AddedResource>{{"BIN", "", path},
                                                             {"BIN", "#12", path},
                                                             {"B N", "X", path},
                                                             {"BIN", std::string(256, 'A'), path},
                                                             {"BIN", "\xC4", path}}) {
    EXPECT_FALSE(WriteWithResources(stub_, {bad}, out_, error)) << bad.type << "/" << bad.name;
  }
  EXPECT_FALSE(WriteWithResources(stub_, {{"BIN", "A", path}, {"bin", "a", path}}, out_, error));
  EXPECT_NE(error.find("twice"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(out_), Bytes("previous"));
}

TEST_F(PeResourcesTest, SignedStubIsRefused) {
  auto image = MakeStubImage();
  ASSERT_TRUE(PutU32(image, testing::kOptionalHeader + kOptDataDirectories + 4 * 8, 0x700));
  ASSERT_TRUE(PutU32(image, testing::kOptionalHeader + kOptDataDirectories + 4 * 8 + 4, 0x100));
  WriteFile(stub_, image);
  std::string error;
  EXPECT_FALSE(
      WriteWithResources(stub_, {{"BIN", "A", Payload("a.bin", Pattern(1, 1))}}, out_, error));
  EXPECT_NE(error.find("signed"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(out_));
}

TEST_F(PeResourcesTest, StubWithoutRoomForASectionHeaderIsRefused) {
  auto image = MakeStubImage();
  // Something lives right after the section table: it must not be overwritten.
  image[testing::kSectionTable + 80 + 3] = 0xAA;
  WriteFile(stub_, image);
  std::string error;
  EXPECT_FALSE(
      WriteWithResources(stub_, {{"BIN", "A", Payload("a.bin", Pattern(1, 1))}}, out_, error));
  EXPECT_NE(error.find("no room"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(out_));
}

TEST_F(PeResourcesTest, OverlayAfterTheSectionsKeepsItsOffset) {
  auto image = MakeStubImage();
  const auto overlay = Pattern(300, 5);  // e.g. a symbol table; its end is not file-aligned
  image.insert(image.end(), overlay.begin(), overlay.end());
  WriteFile(stub_, image);
  std::string error;
  ASSERT_TRUE(
      WriteWithResources(stub_, {{"BIN", "A", Payload("a.bin", Pattern(9, 1))}}, out_, error))
      << error;
  const auto written = ReadFile(out_);
  ASSERT_GE(written.size(), 0x800u + overlay.size());
  EXPECT_TRUE(std::equal(overlay.begin(), overlay.end(), written.begin() + 0x800));
  EXPECT_EQ(Read(written, "BIN", "A"), Pattern(9, 1));
}

TEST_F(PeResourcesTest, AHundredMegabyteResourceRoundTrips) {
  const std::size_t size = 100u * 1000 * 1000 + 3;
  const std::string path = Path("big.bin");
  {
    const auto block = Pattern(1 << 20, 11);
    std::vector<std::uint8_t> whole;
    whole.reserve(size);
    while (whole.size() < size) {
      whole.insert(
          whole.end(), block.begin(),
          block.begin() + static_cast<std::ptrdiff_t>(std::min(block.size(), size - whole.size())));
    }
    whole.back() = 0x5A;  // a distinct last byte catches a short copy
    WriteFile(path, whole);
  }
  std::string error;
  ASSERT_TRUE(WriteWithResources(stub_, {{"BIN", "ID_SETUPFILE1", path}}, out_, error)) << error;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(ReadResource(ReadFile(out_), "BIN", "ID_SETUPFILE1", data, error)) << error;
  ASSERT_EQ(data.size(), size);
  EXPECT_EQ(data.back(), 0x5A);
  EXPECT_EQ(data[(1 << 20) + 5], Pattern(6, 11)[5]);
  const auto expected = ReadFile(path);
  EXPECT_TRUE(data == expected);
}

}  // namespace
}  // namespace peres
