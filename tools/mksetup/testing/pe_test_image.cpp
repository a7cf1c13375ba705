#include "pe_test_image.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace peres::testing {

const std::string kKeepData = "keep me";
const std::string kVersionData = "VS_VERSION_INFO stand-in, forty bytes!!";
const std::string kManifestData = "<assembly manifestVersion=\"1.0\"/>";

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

void PutText(std::vector<std::uint8_t>& b, std::size_t at, const std::string& text) {
  std::memcpy(&b.at(at), text.data(), text.size());
}

void PutName(std::vector<std::uint8_t>& b, std::size_t at, const std::string& name) {
  Put16(b, at, static_cast<std::uint32_t>(name.size()));
  for (std::size_t i = 0; i < name.size(); ++i) Put16(b, at + 2 + 2 * i, name[i]);
}

void PutDirectory(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t named,
                  std::uint32_t ids) {
  Put16(b, at + 12, named);
  Put16(b, at + 14, ids);
}

void PutEntry(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t name,
              std::uint32_t data) {
  Put32(b, at, name);
  Put32(b, at + 4, data);
}

void PutSection(std::vector<std::uint8_t>& b, std::size_t at, const char* name,
                std::uint32_t virtualSize, std::uint32_t rva, std::uint32_t rawSize,
                std::uint32_t rawOffset) {
  std::memcpy(&b.at(at), name, std::strlen(name));
  Put32(b, at + 8, virtualSize);
  Put32(b, at + 12, rva);
  Put32(b, at + 16, rawSize);
  Put32(b, at + 20, rawOffset);
  Put32(b, at + 36, 0x40000040);
}

}  // namespace

std::vector<std::uint8_t> MakeStubImage() {
  std::vector<std::uint8_t> b(0x800, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPeOffset);
  PutText(b, kPeOffset, std::string("PE\0\0", 4));
  Put16(b, kPeOffset + 4, 0x8664);
  Put16(b, kPeOffset + 6, 2);     // sections
  Put16(b, kPeOffset + 20, 240);  // optional header size
  const std::size_t o = kOptionalHeader;
  Put16(b, o, 0x20B);
  Put32(b, o + 8, 0x400);  // initialized data
  Put32(b, o + 32, 0x1000);
  Put32(b, o + 36, 0x200);
  Put32(b, o + 56, 0x3000);  // size of image
  Put32(b, o + 60, 0x400);   // size of headers
  Put32(b, o + 64, 0x1234);  // a checksum the writer must not leave stale
  Put32(b, o + 108, 16);
  Put32(b, o + 112 + 16, kResourceRva);
  Put32(b, o + 112 + 20, 0x200);
  PutSection(b, kSectionTable, ".text", 0x10, 0x1000, 0x200, 0x400);
  PutSection(b, kSectionTable + 40, ".rsrc", 0x200, kResourceRva, 0x200, kResourceRaw);

  const std::size_t r = kResourceRaw;
  PutDirectory(b, r + kRootDirectory, 1, 2);
  PutEntry(b, r + 16, 0x80000000 | 232, 0x80000000 | 40);  // "OLD"
  PutEntry(b, r + 24, 16, 0x80000000 | kVersionTypeDirectory);
  PutEntry(b, r + 32, 24, 0x80000000 | 88);
  PutDirectory(b, r + 40, 1, 0);
  PutEntry(b, r + 56, 0x80000000 | 240, 0x80000000 | 112);  // "KEEPME"
  PutDirectory(b, r + kVersionTypeDirectory, 0, 1);
  PutEntry(b, r + 80, 1, 0x80000000 | kVersionNameDirectory);
  PutDirectory(b, r + 88, 0, 1);
  PutEntry(b, r + 104, 1, 0x80000000 | 160);
  PutDirectory(b, r + 112, 0, 1);
  PutEntry(b, r + 128, 0x409, 184);
  PutDirectory(b, r + kVersionNameDirectory, 0, 1);
  PutEntry(b, r + 152, 0x409, kVersionDataEntry);
  PutDirectory(b, r + 160, 0, 1);
  PutEntry(b, r + 176, 0x409, 216);
  const auto dataEntry = [&](std::size_t at, std::uint32_t offset, const std::string& data) {
    Put32(b, r + at, kResourceRva + offset);
    Put32(b, r + at + 4, static_cast<std::uint32_t>(data.size()));
    PutText(b, r + offset, data);
  };
  dataEntry(184, 256, kKeepData);
  dataEntry(kVersionDataEntry, 264, kVersionData);
  dataEntry(216, 304, kManifestData);
  PutName(b, r + 232, "OLD");
  PutName(b, r + 240, "KEEPME");
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
