#include "pe_resources.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "pe_image.h"
#include "pe_resource_tree.h"
#include "pe_test_image.h"

namespace peres {
namespace {

namespace fs = std::filesystem;
using namespace testing;
using Image = std::vector<std::uint8_t>;

Image Pattern(std::size_t size, unsigned seed) {
  Image bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 31 + seed + i / 251);
  return bytes;
}

struct PeResources : ::testing::Test {
  const fs::path dir =
      fs::temp_directory_path() /
      ("peres-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::string error;
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
  std::string Put(const std::string& name, const Image& bytes) const {
    WriteFile((dir / name).string(), bytes);
    return (dir / name).string();
  }
  bool Write(const std::string& stub, const std::vector<AddedResource>& add,
             const std::vector<std::string>& drop = {}) {
    return WriteWithResources((dir / stub).string(), add, (dir / "out.exe").string(), error, drop);
  }
  Image Read(const std::string& type, const std::string& name) {
    Image data;
    return ReadResource(ReadFile((dir / "out.exe").string()), type, name, data, error) ? data
                                                                                       : Image{9};
  }
};

TEST_F(PeResources, AddedResourcesComeBackInTheLoadersOrderInANewSection) {
  Image stub = MakeStubImage();
  const Image overlay = Pattern(300, 5);  // e.g. a symbol table; its end is not file-aligned
  stub.insert(stub.end(), overlay.begin(), overlay.end());
  Put("stub.exe", stub);
  const Image big = Pattern(2'500'003, 3);  // streamed in more than one piece
  ASSERT_TRUE(Write("stub.exe", {{"BIN", "ID_B", Put("1", Pattern(1, 7))},
                                 {"bin", "ida", Put("2", big)},
                                 {"BIN", "IC", Put("3", {})},
                                 {"#14", "#1", Put("4", Pattern(20, 1))},
                                 {"OLD", "KEEPME", Put("5", Pattern(12, 9))}}))
      << error;
  EXPECT_TRUE(Read("BIN", "ID_B") == Pattern(1, 7) && Read("BIN", "IDA") == big &&
              Read("BIN", "IC").empty() && Read("#14", "#1") == Pattern(20, 1));
  EXPECT_EQ(Read("old", "keepme"), Pattern(12, 9));  // the stub's own was replaced
  EXPECT_EQ(Read("#16", "#1"), Image(kVersionData.begin(), kVersionData.end()));
  const Image image = ReadFile((dir / "out.exe").string());
  PeLayout layout;
  ResourceTree tree;
  ASSERT_TRUE(ParsePeLayout(image, layout, error) && ParseResourceTree(image, layout, tree, error));
  std::string order;  // names by UTF-16 code unit ('_' after letters), then ids by value
  for (const auto& t : tree) order += (t.key.isId ? std::to_string(t.key.id) : "N") + " ";
  for (const auto& n : tree[0].names)
    order += std::string(n.key.name.begin(), n.key.name.end()) + " ";
  EXPECT_EQ(order, "N N 14 16 24 IC IDA ID_B ");
  EXPECT_EQ(tree[0].names[0].languages.at(0).language, kNeutralLanguage);
  const SectionHeader& added = layout.sections.at(2);
  EXPECT_EQ(added.virtualAddress, 0x3000u);    // first free, section-aligned address
  EXPECT_EQ(added.pointerToRawData, 0x1000u);  // after the overlay, on a page boundary
  EXPECT_TRUE(image.size() == std::size_t{added.pointerToRawData} + added.sizeOfRawData &&
              added.sizeOfRawData % 0x200 == 0 && added.sizeOfRawData >= added.virtualSize);
  EXPECT_EQ(layout.sizeOfImage, 0x3000 + AlignUp(added.virtualSize, 0x1000));
  EXPECT_TRUE(layout.resources.address == 0x3000u && layout.resources.size == added.virtualSize);
  std::uint32_t checksum = 1;
  EXPECT_TRUE(ReadU32(image, kOptionalHeader + kOptCheckSum, checksum) && checksum == 0);
  EXPECT_TRUE(std::equal(stub.begin() + 0x400, stub.end(), image.begin() + 0x400));
  // The output is a stub in turn; a dropped type goes, the rest stays.
  fs::rename(dir / "out.exe", dir / "first.exe");
  ASSERT_TRUE(Write("first.exe", {{"BIN", "ID_B", Put("6", Pattern(5, 5))}}, {"#14"})) << error;
  EXPECT_TRUE(Read("BIN", "IDA") == big && Read("BIN", "ID_B") == Pattern(5, 5));
  EXPECT_EQ(Read("#14", "#1"), Image{9});
}

TEST_F(PeResources, RefusalsLeaveTheEarlierOutputAlone) {
  const std::string p = Put("p", Pattern(4, 4));
  Image stub = MakeStubImage(), full = MakeStubImage();
  Put("stub.exe", stub);
  full[kSectionTable + 80 + 3] = 0xAA;  // something lives right after the section table
  Put("full.exe", full);
  // A certificate table in the security directory.
  ASSERT_TRUE(PutU32(stub, kOptionalHeader + kOptDataDirectories + 4 * 8 + 4, 0x100));
  Put("signed.exe", stub);
  const struct {
    std::vector<AddedResource> add;
    const char *stub, *error;
  } rows[] = {
      {{{"BIN", "A", (dir / "missing.bin").string()}}, "stub.exe", "missing.bin"},
      {{{"BIN", "", p}}, "stub.exe", "resource name \"\""},
      {{{"BIN", "#0", p}}, "stub.exe", "resource name \"#0\""},
      {{{"BIN", std::string(256, 'A'), p}}, "stub.exe", "is neither"},
      {{{"BIN", "A", p}, {"bin", "a", p}}, "stub.exe", "added twice"},
      {{{"BIN", "A", p}}, "signed.exe", "stub is signed"},
      {{{"BIN", "A", p}}, "full.exe", "no room for another section header"},
  };
  for (const auto& row : rows) {
    Put("out.exe", {'o', 'l', 'd'});
    EXPECT_FALSE(Write(row.stub, row.add));
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
    EXPECT_TRUE(ReadFile((dir / "out.exe").string()) == Image({'o', 'l', 'd'}) &&
                !fs::exists(dir / "out.exe.tmp"));
  }
}

// Untrusted images: every malformation ends in a refusal, never a read outside the buffer.
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
      {kOptionalHeader + kOptDataDirectories + 16, 0x7FFF0000, true, "outside"},
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

}  // namespace
}  // namespace peres
