// The parts of a PE32+ image that resource embedding needs: the headers, the
// section table and the mapping of RVAs to file offsets. Portable (no windows.h);
// every read is checked against the bytes at hand, since stubs may be untrusted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace peres {

using Bytes = std::span<const std::uint8_t>;

// Field offsets of the PE32+ headers, relative to the start of each header.
inline constexpr std::uint32_t kDosLfanewOffset = 0x3C;
inline constexpr std::uint32_t kCoffHeaderSize = 20;
inline constexpr std::uint32_t kCoffNumberOfSections = 2;
inline constexpr std::uint32_t kCoffSizeOfOptionalHeader = 16;
inline constexpr std::uint16_t kPe32PlusMagic = 0x20B;
inline constexpr std::uint32_t kOptSizeOfInitializedData = 8;
inline constexpr std::uint32_t kOptSectionAlignment = 32;
inline constexpr std::uint32_t kOptFileAlignment = 36;
inline constexpr std::uint32_t kOptSizeOfImage = 56;
inline constexpr std::uint32_t kOptSizeOfHeaders = 60;
inline constexpr std::uint32_t kOptCheckSum = 64;
inline constexpr std::uint32_t kOptNumberOfRvaAndSizes = 108;
inline constexpr std::uint32_t kOptDataDirectories = 112;
inline constexpr std::uint32_t kDataDirectorySize = 8;
inline constexpr std::uint32_t kResourceDirectoryIndex = 2;
inline constexpr std::uint32_t kSecurityDirectoryIndex = 4;
inline constexpr std::uint32_t kSectionHeaderSize = 40;

struct DataDirectory {
  std::uint32_t address = 0;  // an RVA, except for the security directory (a file offset)
  std::uint32_t size = 0;
};

struct SectionHeader {
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
};

struct PeLayout {
  std::uint32_t coffHeaderOffset = 0;  // just after "PE\0\0"
  std::uint32_t optionalHeaderOffset = 0;
  std::uint32_t sectionTableOffset = 0;
  std::uint16_t numberOfSections = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t sizeOfInitializedData = 0;
  std::uint32_t numberOfRvaAndSizes = 0;
  DataDirectory resources;
  DataDirectory security;
  std::vector<SectionHeader> sections;
};

[[nodiscard]] bool ReadU16(Bytes bytes, std::uint64_t offset, std::uint16_t& value);
[[nodiscard]] bool ReadU32(Bytes bytes, std::uint64_t offset, std::uint32_t& value);
// Writes into a buffer the caller sized; refuses (and writes nothing) past its end.
[[nodiscard]] bool PutU16(std::vector<std::uint8_t>& bytes, std::uint64_t offset,
                          std::uint16_t value);
[[nodiscard]] bool PutU32(std::vector<std::uint8_t>& bytes, std::uint64_t offset,
                          std::uint32_t value);

// Reads the DOS, COFF and PE32+ optional headers and the section table.
[[nodiscard]] bool ParsePeLayout(Bytes image, PeLayout& layout, std::string& error);

// File offset of the RVA range [rva, rva + size) when the whole range lies in one
// section's raw data inside the image; nothing otherwise.
std::optional<std::uint32_t> RvaToFileOffset(const PeLayout& layout, std::uint64_t imageSize,
                                             std::uint32_t rva, std::uint32_t size);

// Bytes of a section's raw data that are both in the file and mapped in memory,
// counted from the RVA on; 0 when the RVA lies in no section.
std::uint32_t MappedBytesFrom(const PeLayout& layout, std::uint64_t imageSize, std::uint32_t rva);

constexpr std::uint64_t AlignUp(std::uint64_t value, std::uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace peres
