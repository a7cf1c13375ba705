// A small PE32+ image assembled byte by byte for the tests, independent of the code
// under test: two sections, the second holding a resource tree with a named type
// ("OLD"/"KEEPME"), a version resource (16/1) and a manifest (24/1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace peres::testing {

inline constexpr std::uint32_t kPeOffset = 0x80;
inline constexpr std::uint32_t kOptionalHeader = kPeOffset + 24;
inline constexpr std::uint32_t kSectionTable = kOptionalHeader + 240;
inline constexpr std::uint32_t kResourceRaw = 0x600;  // file offset of the tree
inline constexpr std::uint32_t kResourceRva = 0x2000;
// Offsets inside the tree.
inline constexpr std::uint32_t kRootDirectory = 0;
inline constexpr std::uint32_t kVersionTypeDirectory = 64;
inline constexpr std::uint32_t kVersionNameDirectory = 136;
inline constexpr std::uint32_t kVersionDataEntry = 200;

extern const std::string kKeepData;
extern const std::string kVersionData;
extern const std::string kManifestData;

std::vector<std::uint8_t> MakeStubImage();
// The same image with a real version resource whose product version is ms.ls.
std::vector<std::uint8_t> MakeClientImage(std::uint32_t ms, std::uint32_t ls);

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::string& path);

}  // namespace peres::testing
