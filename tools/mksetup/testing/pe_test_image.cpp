#include "pe_test_image.h"

#include <initializer_list>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace peres::testing {

const std::string kKeepData = "keep me";
const std::string kVersionData = "VS_VERSION_INFO stand-in, forty bytes!!";
const std::string kManifestData = "<assembly manifestVersion=\"1.0\"/>";

namespace {

using Image = std::vector<std::uint8_t>;
constexpr std::uint32_t kHigh = 0x80000000;  // an entry's name string or subdirectory

// Little-endian, `width` bytes.
void Put(Image& b, std::size_t at, std::uint32_t value, std::size_t width = 4) {
  for (std::size_t i = 0; i < width; ++i)
    b.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutText(Image& b, std::size_t at, const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) b.at(at + i) = static_cast<std::uint8_t>(text[i]);
}

// A resource directory: its named entries first, then the ids, each {name, data}.
void PutDirectory(Image& b, std::size_t at, std::uint32_t named,
                  std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> entries) {
  Put(b, at + 12, named, 2);
  Put(b, at + 14, static_cast<std::uint32_t>(entries.size()) - named, 2);
  std::size_t entry = at + 16;
  for (const auto& [name, data] : entries) {
    Put(b, entry, name);
    Put(b, entry + 4, data);
    entry += 8;
  }
}

void PutSection(Image& b, std::size_t at, const char* name, std::uint32_t virtualSize,
                std::uint32_t rva, std::uint32_t rawOffset) {
  PutText(b, at, name);
  Put(b, at + 8, virtualSize);
  Put(b, at + 12, rva);
  Put(b, at + 16, 0x200);  // raw size
  Put(b, at + 20, rawOffset);
  Put(b, at + 36, 0x40000040);
}

}  // namespace

std::vector<std::uint8_t> MakeStubImage() {
  Image b(0x800, 0);
  PutText(b, 0, "MZ");
  Put(b, 0x3C, kPeOffset);
  PutText(b, kPeOffset, std::string("PE\0\0", 4));
  Put(b, kPeOffset + 4, 0x8664, 2);
  Put(b, kPeOffset + 6, 2, 2);     // sections
  Put(b, kPeOffset + 20, 240, 2);  // optional header size
  const std::size_t o = kOptionalHeader;
  Put(b, o, 0x20B, 2);
  Put(b, o + 8, 0x400);  // initialized data
  Put(b, o + 32, 0x1000);
  Put(b, o + 36, 0x200);
  Put(b, o + 56, 0x3000);  // size of image
  Put(b, o + 60, 0x400);   // size of headers
  Put(b, o + 64, 0x1234);  // a checksum the writer must not leave stale
  Put(b, o + 108, 16);
  Put(b, o + 112 + 16, kResourceRva);
  Put(b, o + 112 + 20, 0x200);
  PutSection(b, kSectionTable, ".text", 0x10, 0x1000, 0x400);
  PutSection(b, kSectionTable + 40, ".rsrc", 0x200, kResourceRva, kResourceRaw);

  const std::size_t r = kResourceRaw;
  PutDirectory(b, r + kRootDirectory, 1,
               {{kHigh | 232, kHigh | 40},  // "OLD"
                {16, kHigh | kVersionTypeDirectory},
                {24, kHigh | 88}});
  PutDirectory(b, r + 40, 1, {{kHigh | 240, kHigh | 112}});  // "KEEPME"
  PutDirectory(b, r + kVersionTypeDirectory, 0, {{1, kHigh | kVersionNameDirectory}});
  PutDirectory(b, r + 88, 0, {{1, kHigh | 160}});
  PutDirectory(b, r + 112, 0, {{0x409, 184}});
  PutDirectory(b, r + kVersionNameDirectory, 0, {{0x409, kVersionDataEntry}});
  PutDirectory(b, r + 160, 0, {{0x409, 216}});
  const auto dataEntry = [&](std::size_t at, std::uint32_t offset, const std::string& data) {
    Put(b, r + at, kResourceRva + offset);
    Put(b, r + at + 4, static_cast<std::uint32_t>(data.size()));
    PutText(b, r + offset, data);
  };
  dataEntry(184, 256, kKeepData);
  dataEntry(kVersionDataEntry, 264, kVersionData);
  dataEntry(216, 304, kManifestData);
  for (const auto& [at, name] : {std::pair{232u, std::string("OLD")}, {240u, "KEEPME"}}) {
    Put(b, r + at, static_cast<std::uint32_t>(name.size()), 2);  // UTF-16 names
    for (std::size_t i = 0; i < name.size(); ++i)
      Put(b, r + at + 2 + 2 * i, static_cast<std::uint8_t>(name[i]), 2);
  }
  return b;
}

std::vector<std::uint8_t> MakeClientImage(std::uint32_t ms, std::uint32_t ls) {
  Image b = MakeStubImage();
  const std::uint32_t at = 344, v = kResourceRaw + at;  // after the manifest: 92 bytes
  Put(b, kResourceRaw + kVersionDataEntry, kResourceRva + at);
  Put(b, kResourceRaw + kVersionDataEntry + 4, 92);
  Put(b, v + 2, 52, 2);  // the fixed part's size, after the key, at 40
  for (std::size_t i = 0; i < 15; ++i) Put(b, v + 6 + 2 * i, "VS_VERSION_INFO"[i], 2);
  for (const auto& [offset, value] : {std::pair{40u, 0xFEEF04BDu}, {56u, ms}, {60u, ls}})
    Put(b, v + offset, value);
  return b;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace peres::testing
