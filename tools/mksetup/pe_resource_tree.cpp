#include "pe_resource_tree.h"

#include <algorithm>
#include <set>

namespace peres {

bool KeyLess(const ResourceKey& left, const ResourceKey& right) {
  if (left.isId != right.isId) return !left.isId;
  if (left.isId) return left.id < right.id;
  return left.name < right.name;
}

void SortResourceTree(ResourceTree& tree) {
  auto byKey = [](const auto& a, const auto& b) { return KeyLess(a.key, b.key); };
  std::stable_sort(tree.begin(), tree.end(), byKey);
  for (ResourceTypeNode& type : tree) {
    std::stable_sort(type.names.begin(), type.names.end(), byKey);
    for (ResourceNameNode& name : type.names) {
      std::stable_sort(
          name.languages.begin(), name.languages.end(),
          [](const ResourceLeaf& a, const ResourceLeaf& b) { return a.language < b.language; });
    }
  }
}

namespace {

struct RawEntry {
  std::uint32_t nameField = 0;
  std::uint32_t dataField = 0;
};

// Walks one tree. All offsets in it are relative to the resource directory, and
// nothing of it may lie beyond the bytes its section maps from the file.
class TreeReader {
 public:
  TreeReader(Bytes image, const PeLayout& layout, std::string& error)
      : image_(image), layout_(layout), error_(error) {}

  bool Read(ResourceTree& tree) {
    tree.clear();
    if (layout_.resources.address == 0) return true;  // a stub without resources
    const auto root =
        RvaToFileOffset(layout_, image_.size(), layout_.resources.address, kResourceDirectorySize);
    if (!root) return Fail("resource directory lies outside the file");
    root_ = *root;
    limit_ = MappedBytesFrom(layout_, image_.size(), layout_.resources.address);
    std::vector<RawEntry> types;
    if (!ReadDirectory(0, types)) return false;
    for (const RawEntry& typeEntry : types) {
      ResourceTypeNode type;
      std::vector<RawEntry> names;
      if (!ReadKey(typeEntry.nameField, type.key) || !ReadSubdirectory(typeEntry, names)) {
        return false;
      }
      for (const RawEntry& nameEntry : names) {
        ResourceNameNode name;
        std::vector<RawEntry> languages;
        if (!ReadKey(nameEntry.nameField, name.key) || !ReadSubdirectory(nameEntry, languages)) {
          return false;
        }
        for (const RawEntry& languageEntry : languages) {
          ResourceLeaf leaf;
          if (!ReadLeaf(languageEntry, leaf)) return false;
          name.languages.push_back(leaf);
        }
        type.names.push_back(std::move(name));
      }
      tree.push_back(std::move(type));
    }
    return true;
  }

 private:
  bool Fail(const char* message) {
    error_ = std::string("malformed resource tree: ") + message;
    return false;
  }

  bool InTree(std::uint64_t offset, std::uint64_t size) const {
    return offset <= limit_ && limit_ - offset >= size;
  }

  bool ReadDirectory(std::uint32_t offset, std::vector<RawEntry>& entries) {
    // Each directory may be reached once: a loop or a shared subtree is refused
    // here, which also bounds the work by the size of the section.
    if (!visited_.insert(offset).second) return Fail("a directory is reached twice");
    std::uint16_t named = 0;
    std::uint16_t ids = 0;
    if (!InTree(offset, kResourceDirectorySize) ||
        !ReadU16(image_, std::uint64_t{root_} + offset + 12, named) ||
        !ReadU16(image_, std::uint64_t{root_} + offset + 14, ids)) {
      return Fail("directory outside the resource section");
    }
    const std::uint64_t count = std::uint64_t{named} + ids;
    const std::uint64_t first = std::uint64_t{offset} + kResourceDirectorySize;
    if (!InTree(first, count * kResourceEntrySize)) return Fail("entries run past the section");
    entries.resize(count);
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t at = root_ + first + i * kResourceEntrySize;
      if (!ReadU32(image_, at, entries[i].nameField) ||
          !ReadU32(image_, at + 4, entries[i].dataField)) {
        return Fail("entry outside the file");
      }
    }
    return true;
  }

  bool ReadSubdirectory(const RawEntry& entry, std::vector<RawEntry>& entries) {
    if ((entry.dataField & kSubdirectoryFlag) == 0) return Fail("data where a directory belongs");
    return ReadDirectory(entry.dataField & ~kSubdirectoryFlag, entries);
  }

  bool ReadKey(std::uint32_t nameField, ResourceKey& key) {
    if ((nameField & kNamedEntryFlag) == 0) {
      if (nameField > 0xFFFF) return Fail("id wider than 16 bits");
      key.isId = true;
      key.id = static_cast<std::uint16_t>(nameField);
      return true;
    }
    const std::uint32_t offset = nameField & ~kNamedEntryFlag;
    std::uint16_t length = 0;
    if (!InTree(offset, 2) || !ReadU16(image_, std::uint64_t{root_} + offset, length) ||
        !InTree(std::uint64_t{offset} + 2, std::uint64_t{length} * 2)) {
      return Fail("name outside the resource section");
    }
    key.isId = false;
    key.name.resize(length);
    for (std::uint16_t i = 0; i < length; ++i) {
      std::uint16_t unit = 0;
      if (!ReadU16(image_, std::uint64_t{root_} + offset + 2 + 2u * i, unit)) {
        return Fail("name outside the file");
      }
      key.name[i] = static_cast<char16_t>(unit);
    }
    return true;
  }

  bool ReadLeaf(const RawEntry& entry, ResourceLeaf& leaf) {
    if ((entry.nameField & kNamedEntryFlag) != 0) return Fail("named language entry");
    if ((entry.dataField & kSubdirectoryFlag) != 0) return Fail("tree deeper than three levels");
    if (entry.nameField > 0xFFFF) return Fail("language id wider than 16 bits");
    leaf.language = static_cast<std::uint16_t>(entry.nameField);
    const std::uint32_t offset = entry.dataField;
    std::uint32_t rva = 0;
    if (!InTree(offset, kResourceDataEntrySize) ||
        !ReadU32(image_, std::uint64_t{root_} + offset, rva) ||
        !ReadU32(image_, std::uint64_t{root_} + offset + 4, leaf.size) ||
        !ReadU32(image_, std::uint64_t{root_} + offset + 8, leaf.codePage)) {
      return Fail("data entry outside the resource section");
    }
    const auto at = RvaToFileOffset(layout_, image_.size(), rva, leaf.size);
    if (!at) return Fail("resource data outside the file");
    leaf.imageOffset = *at;
    return true;
  }

  Bytes image_;
  const PeLayout& layout_;
  std::string& error_;
  std::uint32_t root_ = 0;
  std::uint32_t limit_ = 0;
  std::set<std::uint32_t> visited_;
};

}  // namespace

bool ParseResourceTree(Bytes image, const PeLayout& layout, ResourceTree& tree,
                       std::string& error) {
  return TreeReader(image, layout, error).Read(tree);
}

}  // namespace peres
