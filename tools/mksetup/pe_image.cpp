#include "pe_image.h"

#include <algorithm>

namespace peres {

bool ReadU16(Bytes bytes, std::uint64_t offset, std::uint16_t& value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return false;
  value = static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
  return true;
}

bool ReadU32(Bytes bytes, std::uint64_t offset, std::uint32_t& value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return false;
  value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | bytes[offset + i];
  return true;
}

bool PutU16(std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint16_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return false;
  bytes[offset] = static_cast<std::uint8_t>(value);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
  return true;
}

bool PutU32(std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint32_t value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return false;
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return true;
}

namespace {

bool ReadDataDirectory(Bytes image, const PeLayout& layout, std::uint32_t index,
                       DataDirectory& directory) {
  directory = {};
  if (index >= layout.numberOfRvaAndSizes) return true;  // absent slot: empty directory
  const std::uint64_t at =
      layout.optionalHeaderOffset + kOptDataDirectories + std::uint64_t{index} * kDataDirectorySize;
  return ReadU32(image, at, directory.address) && ReadU32(image, at + 4, directory.size);
}

bool ReadSectionTable(Bytes image, PeLayout& layout, std::string& error) {
  const std::uint64_t tableEnd =
      layout.sectionTableOffset + std::uint64_t{layout.numberOfSections} * kSectionHeaderSize;
  if (tableEnd > image.size()) {
    error = "section table runs past the end of the file";
    return false;
  }
  layout.sections.clear();
  for (std::uint32_t i = 0; i < layout.numberOfSections; ++i) {
    const std::uint64_t at = layout.sectionTableOffset + std::uint64_t{i} * kSectionHeaderSize;
    SectionHeader section;
    if (!ReadU32(image, at + 8, section.virtualSize) ||
        !ReadU32(image, at + 12, section.virtualAddress) ||
        !ReadU32(image, at + 16, section.sizeOfRawData) ||
        !ReadU32(image, at + 20, section.pointerToRawData)) {
      error = "section header outside the file";
      return false;
    }
    layout.sections.push_back(section);
  }
  return true;
}

}  // namespace

bool ParsePeLayout(Bytes image, PeLayout& layout, std::string& error) {
  layout = {};
  std::uint32_t peOffset = 0;
  if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z' ||
      !ReadU32(image, kDosLfanewOffset, peOffset)) {
    error = "not an executable: no MZ header";
    return false;
  }
  std::uint32_t signature = 0;
  if (!ReadU32(image, peOffset, signature) || signature != 0x00004550) {
    error = "not a PE image: no PE signature where the DOS header points";
    return false;
  }
  layout.coffHeaderOffset = peOffset + 4;
  std::uint16_t sizeOfOptionalHeader = 0;
  std::uint16_t magic = 0;
  if (!ReadU16(image, std::uint64_t{layout.coffHeaderOffset} + kCoffNumberOfSections,
               layout.numberOfSections) ||
      !ReadU16(image, std::uint64_t{layout.coffHeaderOffset} + kCoffSizeOfOptionalHeader,
               sizeOfOptionalHeader)) {
    error = "COFF header truncated";
    return false;
  }
  layout.optionalHeaderOffset = layout.coffHeaderOffset + kCoffHeaderSize;
  if (!ReadU16(image, layout.optionalHeaderOffset, magic)) {
    error = "optional header truncated";
    return false;
  }
  if (magic != kPe32PlusMagic) {
    error = "not a 64-bit (PE32+) image";
    return false;
  }
  const std::uint64_t opt = layout.optionalHeaderOffset;
  if (sizeOfOptionalHeader < kOptDataDirectories ||
      !ReadU32(image, opt + kOptSizeOfInitializedData, layout.sizeOfInitializedData) ||
      !ReadU32(image, opt + kOptSectionAlignment, layout.sectionAlignment) ||
      !ReadU32(image, opt + kOptFileAlignment, layout.fileAlignment) ||
      !ReadU32(image, opt + kOptSizeOfImage, layout.sizeOfImage) ||
      !ReadU32(image, opt + kOptSizeOfHeaders, layout.sizeOfHeaders) ||
      !ReadU32(image, opt + kOptNumberOfRvaAndSizes, layout.numberOfRvaAndSizes)) {
    error = "optional header truncated";
    return false;
  }
  // The data directories must fit in the optional header the COFF header declares.
  const std::uint64_t directoriesFit =
      (sizeOfOptionalHeader - kOptDataDirectories) / kDataDirectorySize;
  layout.numberOfRvaAndSizes = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(layout.numberOfRvaAndSizes, directoriesFit));
  if (!ReadDataDirectory(image, layout, kResourceDirectoryIndex, layout.resources) ||
      !ReadDataDirectory(image, layout, kSecurityDirectoryIndex, layout.security)) {
    error = "data directories truncated";
    return false;
  }
  layout.sectionTableOffset = layout.optionalHeaderOffset + sizeOfOptionalHeader;
  return ReadSectionTable(image, layout, error);
}

namespace {

// The section that maps the RVA, and how many of its bytes from there on are both
// raw data in the file and inside the section's mapped size.
const SectionHeader* SectionOf(const PeLayout& layout, std::uint64_t imageSize, std::uint32_t rva,
                               std::uint32_t& available) {
  // The end of a section's data is a valid place for empty data, but only when no
  // section holds bytes at that RVA.
  const SectionHeader* endingHere = nullptr;
  for (const SectionHeader& section : layout.sections) {
    std::uint64_t mapped = section.sizeOfRawData;
    if (section.virtualSize != 0) mapped = std::min<std::uint64_t>(mapped, section.virtualSize);
    if (rva < section.virtualAddress || rva - section.virtualAddress > mapped) continue;
    const std::uint64_t into = rva - section.virtualAddress;
    const std::uint64_t fileAt = std::uint64_t{section.pointerToRawData} + into;
    if (fileAt > imageSize || fileAt > UINT32_MAX) continue;
    if (into == mapped || fileAt == imageSize) {
      endingHere = &section;
      continue;
    }
    available = static_cast<std::uint32_t>(std::min(mapped - into, imageSize - fileAt));
    return &section;
  }
  available = 0;
  return endingHere;
}

}  // namespace

std::optional<std::uint32_t> RvaToFileOffset(const PeLayout& layout, std::uint64_t imageSize,
                                             std::uint32_t rva, std::uint32_t size) {
  std::uint32_t available = 0;
  const SectionHeader* section = SectionOf(layout, imageSize, rva, available);
  if (section == nullptr || size > available) return std::nullopt;
  return section->pointerToRawData + (rva - section->virtualAddress);
}

std::uint32_t MappedBytesFrom(const PeLayout& layout, std::uint64_t imageSize, std::uint32_t rva) {
  std::uint32_t available = 0;
  return SectionOf(layout, imageSize, rva, available) != nullptr ? available : 0;
}

}  // namespace peres
