// The three-level resource tree of a PE image (type, name, language): read from
// an image with every offset checked, and laid out again as a new section.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace peres {

// Language of the resources we add: neutral, which the loader tries first.
inline constexpr std::uint16_t kNeutralLanguage = 0;
inline constexpr std::uint32_t kResourceDirectorySize = 16;
inline constexpr std::uint32_t kResourceEntrySize = 8;
inline constexpr std::uint32_t kResourceDataEntrySize = 16;
inline constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
inline constexpr std::uint32_t kNamedEntryFlag = 0x80000000;
// Resource data starts on this boundary, as the resource compiler places it.
inline constexpr std::uint32_t kResourceDataAlignment = 8;

// A type or name: a numeric id or a UTF-16 name, stored the way the loader compares it.
struct ResourceKey {
  bool isId = false;
  std::uint16_t id = 0;
  std::u16string name;
  bool operator==(const ResourceKey&) const = default;
};

// The loader binary-searches each level: named entries first, ordered by their UTF-16
// code units (it compares the upper-cased query ordinally), then ids ascending.
bool KeyLess(const ResourceKey& left, const ResourceKey& right);

struct ResourceLeaf {
  std::uint16_t language = kNeutralLanguage;
  std::uint32_t codePage = 0;
  std::uint32_t size = 0;
  std::uint32_t imageOffset = 0;  // where the bytes lie in the source image
  std::string path;               // or the file they are streamed from, when set
};

struct ResourceNameNode {
  ResourceKey key;
  std::vector<ResourceLeaf> languages;
};

struct ResourceTypeNode {
  ResourceKey key;
  std::vector<ResourceNameNode> names;
};

using ResourceTree = std::vector<ResourceTypeNode>;

// Reads the image's resource tree. Refuses offsets outside the mapped resource
// section, data outside the file, directories reached twice (loops, shared
// subtrees) and trees that are not exactly type/name/language deep.
[[nodiscard]] bool ParseResourceTree(Bytes image, const PeLayout& layout, ResourceTree& tree,
                                     std::string& error);

void SortResourceTree(ResourceTree& tree);

// Resource data that the writer copies from a file into the section.
struct StreamedLeaf {
  std::string path;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // in the section
};

// A new resource section: directories, data entries, names and the data held in
// the source image are built in memory (head); larger file data follows, each
// piece at its offset, padded with zeros in between.
struct ResourceSection {
  std::vector<std::uint8_t> head;
  std::vector<StreamedLeaf> streamed;
  std::uint32_t size = 0;
};

// Lays out a sorted tree for a section loaded at sectionRva.
[[nodiscard]] bool BuildResourceSection(const ResourceTree& tree, Bytes image,
                                        std::uint32_t sectionRva, ResourceSection& section,
                                        std::string& error);

}  // namespace peres
