#include "pe_resources.h"

#include <gtest/gtest.h>

#include <filesystem>

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

std::string Narrow(const std::u16string& name) {
  std::string text;
  for (char16_t c : name) text += static_cast<char>(c);
  return text;
}

class PeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    WriteFile(Path("stub.exe"), MakeStubImage());
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Data(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    WriteFile(Path(name), bytes);
    return Path(name);
  }
  bool Write(const std::vector<AddedResource>& add, const std::string& stub = "stub.exe",
             const std::vector<std::string>& drop = {}) {
    return WriteWithResources(Path(stub), add, Path("out.exe"), error_, drop);
  }
  std::vector<std::uint8_t> Read(const std::string& type, const std::string& name) {
    std::vector<std::uint8_t> data;
    EXPECT_TRUE(ReadResource(ReadFile(Path("out.exe")), type, name, data, error_)) << error_;
    return data;
  }

  fs::path dir_ =
      fs::temp_directory_path() /
      ("peres-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::string error_;
};

TEST_F(PeResources, AddedResourcesComeBackInTheOrderTheLoaderSearches) {
  const auto big = Pattern(2'500'003, 3);  // streamed in more than one piece
  ASSERT_TRUE(Write({{"BIN", "ID_B", Data("1", Pattern(1, 7))},
                     {"bin", "ida", Data("2", big)},
                     {"BIN", "IC", Data("3", {})},
                     {"#14", "#1", Data("4", Pattern(20, 1))},
                     {"OLD", "KEEPME", Data("5", Pattern(12, 9))}}))
      << error_;
  EXPECT_EQ(Read("BIN", "ID_B"), Pattern(1, 7));
  EXPECT_EQ(Read("BIN", "IDA"), big);
  EXPECT_EQ(Read("BIN", "IC"), Pattern(0, 0));
  EXPECT_EQ(Read("#14", "#1"), Pattern(20, 1));
  EXPECT_EQ(Read("old", "keepme"), Pattern(12, 9));  // the stub's own was replaced
  const auto version = Read("#16", "#1");
  EXPECT_EQ(std::string(version.begin(), version.end()), testing::kVersionData);
  PeLayout layout;
  ResourceTree tree;
  const auto image = ReadFile(Path("out.exe"));
  ASSERT_TRUE(ParsePeLayout(image, layout, error_) &&
              ParseResourceTree(image, layout, tree, error_));
  std::vector<std::string> order;  // names by UTF-16 code unit ('_' after letters), then ids
  for (const auto& t : tree)
    order.push_back(t.key.isId ? "#" + std::to_string(t.key.id) : Narrow(t.key.name));
  for (const auto& n : tree[0].names) order.push_back(Narrow(n.key.name));
  EXPECT_EQ(order,
            (std::vector<std::string>{"BIN", "OLD", "#14", "#16", "#24", "IC", "IDA", "ID_B"}));
  EXPECT_EQ(tree[0].names[0].languages.at(0).language, kNeutralLanguage);
  EXPECT_FALSE(fs::exists(Path("out.exe.tmp")));

  // The output is a stub in turn; a dropped type goes, the rest stays.
  fs::rename(Path("out.exe"), Path("first.exe"));
  ASSERT_TRUE(Write({{"BIN", "ID_B", Data("6", Pattern(5, 5))}}, "first.exe", {"#14"})) << error_;
  EXPECT_EQ(Read("BIN", "IDA"), big);
  EXPECT_EQ(Read("BIN", "ID_B"), Pattern(5, 5));
  std::vector<std::uint8_t> data;
  EXPECT_FALSE(ReadResource(ReadFile(Path("out.exe")), "#14", "#1", data, error_));
}

TEST_F(PeResources, HeadersDescribeTheAppendedSectionAndTheOverlayKeepsItsPlace) {
  auto stub = MakeStubImage();
  const auto overlay = Pattern(300, 5);  // e.g. a symbol table; its end is not file-aligned
  stub.insert(stub.end(), overlay.begin(), overlay.end());
  WriteFile(Path("stub.exe"), stub);
  ASSERT_TRUE(Write({{"BIN", "A", Data("a", Pattern(5000, 1))}})) << error_;
  const auto image = ReadFile(Path("out.exe"));
  PeLayout layout;
  ASSERT_TRUE(ParsePeLayout(image, layout, error_)) << error_;
  ASSERT_EQ(layout.numberOfSections, 3);
  const SectionHeader& added = layout.sections[2];
  EXPECT_EQ(added.virtualAddress, 0x3000u);   // first free, section-aligned address
  EXPECT_EQ(added.pointerToRawData, 0xA00u);  // after the overlay, file-aligned
  EXPECT_EQ(image.size(), std::size_t{added.pointerToRawData} + added.sizeOfRawData);
  EXPECT_TRUE(added.sizeOfRawData % 0x200 == 0 && added.sizeOfRawData >= added.virtualSize);
  EXPECT_EQ(layout.sizeOfImage, 0x3000 + AlignUp(added.virtualSize, 0x1000));
  EXPECT_EQ(layout.sizeOfInitializedData, 0x400 + added.sizeOfRawData);
  EXPECT_TRUE(layout.resources.address == 0x3000u && layout.resources.size == added.virtualSize);
  EXPECT_EQ(std::string(image.begin() + testing::kSectionTable + 80,
                        image.begin() + testing::kSectionTable + 85),
            ".rsrc");
  std::uint32_t checksum = 1;
  EXPECT_TRUE(ReadU32(image, testing::kOptionalHeader + kOptCheckSum, checksum) && checksum == 0);
  EXPECT_TRUE(std::equal(stub.begin() + 0x400, stub.end(), image.begin() + 0x400));
}

TEST_F(PeResources, RefusalsLeaveTheEarlierOutputAlone) {
  const std::string p = Data("p", Pattern(4, 4));
  auto signedStub = MakeStubImage();  // a certificate table in the security directory
  ASSERT_TRUE(
      PutU32(signedStub, testing::kOptionalHeader + kOptDataDirectories + 4 * 8 + 4, 0x100));
  auto fullHeaders = MakeStubImage();  // something lives right after the section table
  fullHeaders[testing::kSectionTable + 80 + 3] = 0xAA;
  WriteFile(Path("signed.exe"), signedStub);
  WriteFile(Path("full.exe"), fullHeaders);
  const struct {
    std::vector<AddedResource> add;
    const char* stub;
    const char* error;
  } rows[] = {
      {{{"BIN", "A", Path("missing.bin")}}, "stub.exe", "missing.bin"},
      {{{"BIN", "", p}}, "stub.exe", "resource name \"\""},
      {{{"BIN", "#0", p}}, "stub.exe", "resource name \"#0\""},
      {{{"B N", "X", p}}, "stub.exe", "resource name \"B N\""},
      {{{"BIN", std::string(256, 'A'), p}}, "stub.exe", "is neither"},
      {{{"BIN", "\xC4", p}}, "stub.exe", "is neither"},
      {{{"BIN", "A", p}, {"bin", "a", p}}, "stub.exe", "added twice"},
      {{{"BIN", "A", p}}, "signed.exe", "stub is signed"},
      {{{"BIN", "A", p}}, "full.exe", "no room for another section header"},
  };
  for (const auto& row : rows) {
    WriteFile(Path("out.exe"), {'o', 'l', 'd'});
    EXPECT_FALSE(Write(row.add, row.stub));
    EXPECT_NE(error_.find(row.error), std::string::npos) << error_;
    EXPECT_EQ(ReadFile(Path("out.exe")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(Path("out.exe.tmp")));
  }
}

}  // namespace
}  // namespace peres
