// Lays a resource tree out as a section in the order the resource compiler uses:
// all directories (breadth first), the data entries, the names, then the data.
#include <cstring>
#include <map>

#include "pe_resource_tree.h"

namespace peres {
namespace {

std::uint64_t DirectorySize(std::size_t entries) {
  return kResourceDirectorySize + std::uint64_t{entries} * kResourceEntrySize;
}

class SectionWriter {
 public:
  SectionWriter(const ResourceTree& tree, Bytes image, std::uint32_t sectionRva,
                ResourceSection& section, std::string& error)
      : tree_(tree), image_(image), rva_(sectionRva), section_(section), error_(error) {}

  bool Build() {
    if (!CountsFit(tree_)) return Fail("more than 65535 entries in one directory");
    PlanOffsets();
    if (end_ > UINT32_MAX - rva_) return Fail("resources larger than an image can map");
    section_.head.assign(headSize_, 0);
    section_.size = static_cast<std::uint32_t>(end_);
    return WriteAll();
  }

 private:
  bool Fail(const char* message) {
    error_ = message;
    return false;
  }

  template <typename Nodes>
  static bool KindsFit(const Nodes& nodes) {
    std::size_t named = 0;
    for (const auto& node : nodes) named += node.key.isId ? 0 : 1;
    return named <= 0xFFFF && nodes.size() - named <= 0xFFFF;
  }

  static bool CountsFit(const ResourceTree& tree) {
    if (!KindsFit(tree)) return false;
    for (const ResourceTypeNode& type : tree) {
      if (!KindsFit(type.names)) return false;
      for (const ResourceNameNode& name : type.names) {
        if (name.languages.size() > 0xFFFF) return false;
      }
    }
    return true;
  }

  void PlanName(const ResourceKey& key) {
    if (key.isId) return;
    nameOffsets_.push_back(cursor_);
    cursor_ += 2 + 2 * std::uint64_t{key.name.size()};
  }

  void PlanOffsets() {
    cursor_ = DirectorySize(tree_.size());
    for (const ResourceTypeNode& type : tree_) {
      typeDirectories_.push_back(cursor_);
      cursor_ += DirectorySize(type.names.size());
    }
    for (const ResourceTypeNode& type : tree_) {
      for (const ResourceNameNode& name : type.names) {
        nameDirectories_.push_back(cursor_);
        cursor_ += DirectorySize(name.languages.size());
      }
    }
    for (const ResourceTypeNode& type : tree_) {
      for (const ResourceNameNode& name : type.names) {
        for (std::size_t i = 0; i < name.languages.size(); ++i) {
          dataEntries_.push_back(cursor_);
          cursor_ += kResourceDataEntrySize;
        }
      }
    }
    // Same order as WriteAll consumes them: the type names, then each type's names.
    for (const ResourceTypeNode& type : tree_) PlanName(type.key);
    for (const ResourceTypeNode& type : tree_) {
      for (const ResourceNameNode& name : type.names) PlanName(name.key);
    }
    // Data held in the image goes into the head; file data is streamed after it.
    for (bool fromFile : {false, true}) {
      for (const ResourceTypeNode& type : tree_) {
        for (const ResourceNameNode& name : type.names) {
          for (const ResourceLeaf& leaf : name.languages) {
            if (leaf.path.empty() == fromFile) continue;
            cursor_ = AlignUp(cursor_, kResourceDataAlignment);
            dataOffsets_[&leaf] = cursor_;
            cursor_ += leaf.size;
          }
        }
      }
      if (!fromFile) headSize_ = cursor_;
    }
    end_ = cursor_;
  }

  bool WriteDirectory(std::uint64_t at, std::size_t named, std::size_t ids) {
    return PutU16(section_.head, at + 12, static_cast<std::uint16_t>(named)) &&
           PutU16(section_.head, at + 14, static_cast<std::uint16_t>(ids));
  }

  template <typename Nodes>
  bool WriteKeyedDirectory(std::uint64_t at, const Nodes& nodes,
                           const std::vector<std::uint64_t>& children, std::size_t firstChild,
                           std::size_t& nextName) {
    std::size_t named = 0;
    for (const auto& node : nodes) named += node.key.isId ? 0 : 1;
    if (!WriteDirectory(at, named, nodes.size() - named)) return false;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      const ResourceKey& key = nodes[i].key;
      const std::uint64_t entry = at + DirectorySize(i);
      std::uint32_t nameField = key.id;
      if (!key.isId) {
        const std::uint64_t text = nameOffsets_[nextName++];
        nameField = kNamedEntryFlag | static_cast<std::uint32_t>(text);
        if (!WriteName(text, key.name)) return false;
      }
      const auto child = static_cast<std::uint32_t>(children[firstChild + i]);
      if (!PutU32(section_.head, entry, nameField) ||
          !PutU32(section_.head, entry + 4, kSubdirectoryFlag | child)) {
        return false;
      }
    }
    return true;
  }

  bool WriteName(std::uint64_t at, const std::u16string& name) {
    if (!PutU16(section_.head, at, static_cast<std::uint16_t>(name.size()))) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (!PutU16(section_.head, at + 2 + 2 * i, name[i])) return false;
    }
    return true;
  }

  bool WriteLeaf(std::uint64_t entry, std::uint64_t dataEntry, const ResourceLeaf& leaf) {
    const std::uint64_t dataAt = dataOffsets_.at(&leaf);
    if (!PutU32(section_.head, entry, leaf.language) ||
        !PutU32(section_.head, entry + 4, static_cast<std::uint32_t>(dataEntry)) ||
        !PutU32(section_.head, dataEntry, rva_ + static_cast<std::uint32_t>(dataAt)) ||
        !PutU32(section_.head, dataEntry + 4, leaf.size) ||
        !PutU32(section_.head, dataEntry + 8, leaf.codePage)) {
      return false;
    }
    if (!leaf.path.empty()) {
      section_.streamed.push_back({leaf.path, leaf.size, static_cast<std::uint32_t>(dataAt)});
      return true;
    }
    if (leaf.imageOffset > image_.size() || image_.size() - leaf.imageOffset < leaf.size ||
        dataAt + leaf.size > section_.head.size()) {
      return false;
    }
    if (leaf.size != 0) {
      std::memcpy(section_.head.data() + dataAt, image_.data() + leaf.imageOffset, leaf.size);
    }
    return true;
  }

  bool WriteAll() {
    std::size_t nextName = 0;
    if (!WriteKeyedDirectory(0, tree_, typeDirectories_, 0, nextName)) return Internal();
    std::size_t nameIndex = 0;
    std::size_t leafIndex = 0;
    for (std::size_t t = 0; t < tree_.size(); ++t) {
      const ResourceTypeNode& type = tree_[t];
      if (!WriteKeyedDirectory(typeDirectories_[t], type.names, nameDirectories_, nameIndex,
                               nextName)) {
        return Internal();
      }
      for (const ResourceNameNode& name : type.names) {
        const std::uint64_t directory = nameDirectories_[nameIndex++];
        if (!WriteDirectory(directory, 0, name.languages.size())) return Internal();
        for (std::size_t l = 0; l < name.languages.size(); ++l) {
          if (!WriteLeaf(directory + DirectorySize(l), dataEntries_[leafIndex++],
                         name.languages[l])) {
            return Internal();
          }
        }
      }
    }
    return true;
  }

  bool Internal() { return Fail("resource data of the stub lies outside the file"); }

  const ResourceTree& tree_;
  Bytes image_;
  std::uint32_t rva_;
  ResourceSection& section_;
  std::string& error_;
  std::uint64_t cursor_ = 0;
  std::uint64_t headSize_ = 0;
  std::uint64_t end_ = 0;
  std::vector<std::uint64_t> typeDirectories_;
  std::vector<std::uint64_t> nameDirectories_;
  std::vector<std::uint64_t> dataEntries_;
  std::vector<std::uint64_t> nameOffsets_;
  std::map<const ResourceLeaf*, std::uint64_t> dataOffsets_;
};

}  // namespace

bool BuildResourceSection(const ResourceTree& tree, Bytes image, std::uint32_t sectionRva,
                          ResourceSection& section, std::string& error) {
  section = {};
  return SectionWriter(tree, image, sectionRva, section, error).Build();
}

}  // namespace peres
