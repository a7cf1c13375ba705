#include "pe_resources.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "pe_image.h"
#include "pe_resource_tree.h"

namespace peres {
namespace {

constexpr std::uint32_t kPageSize = 0x1000;

// IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ, as a resource compiler marks .rsrc.
constexpr std::uint32_t kResourceSectionCharacteristics = 0x40000040;
constexpr char kResourceSectionName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kCopyChunk = 1 << 20;

// "#123" is an id, as FindResource reads it; anything else a name, upper-cased like
// the loader does before it compares.
bool QueryKey(const std::string& text, ResourceKey& key) {
  if (text.size() > 1 && text[0] == '#') {
    std::uint32_t id = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      id = id * 10 + static_cast<std::uint32_t>(text[i] - '0');
      if (id > 0xFFFF) return false;
    }
    key = {true, static_cast<std::uint16_t>(id), {}};
    return true;
  }
  key = {};
  for (unsigned char c : text) {
    key.name.push_back(static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  }
  return !key.name.empty();
}

bool AddedKey(const std::string& text, ResourceKey& key, std::string& error) {
  const bool printable =
      std::all_of(text.begin(), text.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
  if (text.empty() || text.size() > kMaxNameLength || !printable || !QueryKey(text, key) ||
      (key.isId && key.id == 0)) {
    error = "resource name \"" + text +
            "\" is neither 1..255 printable ASCII characters nor \"#\" and an id 1..65535";
    return false;
  }
  return true;
}

template <typename Nodes>
auto FindKey(Nodes& nodes, const ResourceKey& key) {
  return std::find_if(nodes.begin(), nodes.end(),
                      [&](const auto& node) { return node.key == key; });
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > UINT32_MAX) {
    error = "cannot read " + path + (ec ? ": " + ec.message() : ": larger than 4 GB");
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  bytes.assign(static_cast<std::size_t>(size), 0);
  if (!file || std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

// Merges the added resources into the stub's tree, replacing same-named ones.
bool MergeAdded(ResourceTree& tree, const std::vector<AddedResource>& add,
                const std::vector<std::string>& dropTypes, std::string& error) {
  for (const std::string& drop : dropTypes) {
    ResourceKey type;
    if (!AddedKey(drop, type, error)) return false;
    std::erase_if(tree, [&](const ResourceTypeNode& node) { return node.key == type; });
  }
  for (const AddedResource& resource : add) {
    ResourceKey type;
    ResourceKey name;
    if (!AddedKey(resource.type, type, error) || !AddedKey(resource.name, name, error)) {
      return false;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(resource.path, ec);
    if (ec || size > UINT32_MAX) {
      error = "cannot add " + resource.path + (ec ? ": " + ec.message() : ": larger than 4 GB");
      return false;
    }
    auto typeNode = FindKey(tree, type);
    if (typeNode == tree.end()) typeNode = tree.insert(tree.end(), ResourceTypeNode{type, {}});
    auto nameNode = FindKey(typeNode->names, name);
    if (nameNode != typeNode->names.end()) {
      if (!nameNode->languages.empty() && !nameNode->languages.front().path.empty()) {
        error = "resource " + resource.type + "/" + resource.name + " is added twice";
        return false;
      }
      typeNode->names.erase(nameNode);
    }
    ResourceLeaf leaf;
    leaf.size = static_cast<std::uint32_t>(size);
    leaf.path = resource.path;
    typeNode->names.push_back({name, {leaf}});
  }
  SortResourceTree(tree);
  return true;
}

// Where the new section goes: after the last mapped byte and after the end of the
// file, so an overlay such as a symbol table keeps its offset.
struct NewSection {
  std::uint32_t headerOffset = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawOffset = 0;
};

bool PlaceNewSection(Bytes image, const PeLayout& layout, NewSection& placed, std::string& error) {
  auto powerOfTwo = [](std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(layout.fileAlignment) || !powerOfTwo(layout.sectionAlignment) ||
      layout.sectionAlignment < layout.fileAlignment) {
    error = "stub has invalid section or file alignment";
    return false;
  }
  if (layout.security.address != 0 || layout.security.size != 0) {
    error = "stub is signed; adding resources would break the signature (sign the result instead)";
    return false;
  }
  if (layout.numberOfRvaAndSizes <= kResourceDirectoryIndex) {
    error = "stub has no resource directory slot";
    return false;
  }
  const std::uint64_t headerAt =
      layout.sectionTableOffset + std::uint64_t{layout.numberOfSections} * kSectionHeaderSize;
  std::uint64_t firstRaw = layout.sizeOfHeaders;
  std::uint64_t mappedEnd = AlignUp(layout.sizeOfImage, layout.sectionAlignment);
  for (const SectionHeader& section : layout.sections) {
    if (section.sizeOfRawData != 0)
      firstRaw = std::min<std::uint64_t>(firstRaw, section.pointerToRawData);
    const std::uint32_t span = std::max(section.virtualSize, section.sizeOfRawData);
    mappedEnd = std::max(
        mappedEnd, AlignUp(std::uint64_t{section.virtualAddress} + span, layout.sectionAlignment));
  }
  const bool headerFree =
      headerAt + kSectionHeaderSize <= firstRaw && headerAt + kSectionHeaderSize <= image.size() &&
      std::all_of(image.begin() + static_cast<std::ptrdiff_t>(headerAt),
                  image.begin() + static_cast<std::ptrdiff_t>(headerAt + kSectionHeaderSize),
                  [](std::uint8_t b) { return b == 0; });
  if (!headerFree || layout.numberOfSections == 0xFFFF) {
    error = "stub headers have no room for another section header";
    return false;
  }
  // On a page boundary in the file, not only on the file alignment: Wine maps a section
  // from the file only where its offset is a page's, and otherwise reads all of it into
  // memory as the program starts (the 170 MB archive took 0.15 s before the first window).
  const std::uint64_t rawAt = AlignUp(image.size(), std::max(layout.fileAlignment, kPageSize));
  if (mappedEnd > UINT32_MAX || rawAt > UINT32_MAX) {
    error = "stub image too large";
    return false;
  }
  placed = {static_cast<std::uint32_t>(headerAt), static_cast<std::uint32_t>(mappedEnd),
            static_cast<std::uint32_t>(rawAt)};
  return true;
}

bool PatchHeaders(std::vector<std::uint8_t>& image, const PeLayout& layout,
                  const NewSection& placed, std::uint32_t contentSize, std::uint32_t rawSize,
                  std::string& error) {
  const std::uint64_t sizeOfImage =
      AlignUp(std::uint64_t{placed.virtualAddress} + contentSize, layout.sectionAlignment);
  const std::uint64_t initialized = std::uint64_t{layout.sizeOfInitializedData} + rawSize;
  if (sizeOfImage > UINT32_MAX || std::uint64_t{placed.rawOffset} + rawSize > UINT32_MAX) {
    error = "image with the resources would exceed 4 GB";
    return false;
  }
  const std::uint64_t opt = layout.optionalHeaderOffset;
  const std::uint64_t header = placed.headerOffset;
  const std::uint64_t resourceSlot =
      opt + kOptDataDirectories + kResourceDirectoryIndex * kDataDirectorySize;
  bool ok = header + kSectionHeaderSize <= image.size();
  if (ok)
    std::copy(std::begin(kResourceSectionName), std::end(kResourceSectionName),
              image.begin() + static_cast<std::ptrdiff_t>(header));
  ok = ok && PutU32(image, header + 8, contentSize) &&
       PutU32(image, header + 12, placed.virtualAddress) && PutU32(image, header + 16, rawSize) &&
       PutU32(image, header + 20, placed.rawOffset) &&
       PutU32(image, header + 36, kResourceSectionCharacteristics) &&
       PutU16(image, std::uint64_t{layout.coffHeaderOffset} + kCoffNumberOfSections,
              static_cast<std::uint16_t>(layout.numberOfSections + 1)) &&
       PutU32(image, opt + kOptSizeOfImage, static_cast<std::uint32_t>(sizeOfImage)) &&
       PutU32(image, opt + kOptSizeOfInitializedData,
              static_cast<std::uint32_t>(std::min<std::uint64_t>(initialized, UINT32_MAX))) &&
       // The loader checks the checksum of drivers only; a stale one would mislead tools.
       PutU32(image, opt + kOptCheckSum, 0) && PutU32(image, resourceSlot, placed.virtualAddress) &&
       PutU32(image, resourceSlot + 4, contentSize);
  if (!ok) error = "stub header fields outside the file";
  return ok;
}

class OutputFile {
 public:
  explicit OutputFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool ok() const { return file_ != nullptr && good_; }
  std::uint64_t written() const { return written_; }
  void Write(const std::uint8_t* data, std::size_t size) {
    if (ok() && size != 0 && std::fwrite(data, 1, size, file_) != size) good_ = false;
    written_ += size;
  }
  void PadTo(std::uint64_t offset) {
    static const std::uint8_t kZeros[4096] = {};
    while (written_ < offset)
      Write(kZeros,
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof kZeros, offset - written_)));
  }
  bool Close() {
    const bool closed = file_ != nullptr && std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && good_;
  }

 private:
  FILE* file_;
  bool good_ = true;
  std::uint64_t written_ = 0;
};

bool StreamFile(OutputFile& out, const StreamedLeaf& leaf, std::string& error) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(leaf.path.c_str(), "rb"), &std::fclose);
  if (!in) {
    error = "cannot open " + leaf.path;
    return false;
  }
  std::vector<std::uint8_t> buffer(kCopyChunk);
  std::uint64_t left = leaf.size;
  while (left > 0 && out.ok()) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    if (std::fread(buffer.data(), 1, want, in.get()) != want) break;
    out.Write(buffer.data(), want);
    left -= want;
  }
  // The size went into the directory before the copy: a file that changed meanwhile
  // would leave the directory lying about its data.
  if (left != 0 || std::fgetc(in.get()) != EOF) {
    error = leaf.path + " changed size while it was being added";
    return false;
  }
  return true;
}

bool WriteImage(const std::string& path, const std::vector<std::uint8_t>& image,
                const NewSection& placed, const ResourceSection& section, std::uint32_t rawSize,
                std::string& error) {
  OutputFile out(path);
  out.Write(image.data(), image.size());
  out.PadTo(placed.rawOffset);
  out.Write(section.head.data(), section.head.size());
  for (const StreamedLeaf& leaf : section.streamed) {
    out.PadTo(std::uint64_t{placed.rawOffset} + leaf.offset);
    if (!StreamFile(out, leaf, error)) return false;
  }
  out.PadTo(std::uint64_t{placed.rawOffset} + rawSize);
  if (!out.Close()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace

bool ReadResource(const std::vector<std::uint8_t>& image, const std::string& type,
                  const std::string& name, std::vector<std::uint8_t>& data, std::string& error) {
  PeLayout layout;
  ResourceTree tree;
  if (!ParsePeLayout(image, layout, error) || !ParseResourceTree(image, layout, tree, error)) {
    return false;
  }
  ResourceKey typeKey;
  ResourceKey nameKey;
  if (!QueryKey(type, typeKey) || !QueryKey(name, nameKey)) {
    error = "invalid resource type or name";
    return false;
  }
  const auto typeNode = FindKey(tree, typeKey);
  if (typeNode != tree.end()) {
    const auto nameNode = FindKey(typeNode->names, nameKey);
    if (nameNode != typeNode->names.end() && !nameNode->languages.empty()) {
      const ResourceLeaf& leaf = nameNode->languages.front();
      data.assign(image.begin() + leaf.imageOffset, image.begin() + leaf.imageOffset + leaf.size);
      return true;
    }
  }
  error = "no resource " + type + "/" + name + " in the image";
  return false;
}

bool WriteWithResources(const std::string& stubPath, const std::vector<AddedResource>& add,
                        const std::string& outPath, std::string& error,
                        const std::vector<std::string>& dropTypes) {
  std::vector<std::uint8_t> image;
  PeLayout layout;
  ResourceTree tree;
  NewSection placed;
  if (!ReadWholeFile(stubPath, image, error)) return false;
  if (!ParsePeLayout(image, layout, error) || !ParseResourceTree(image, layout, tree, error) ||
      !PlaceNewSection(image, layout, placed, error)) {
    error = stubPath + ": " + error;
    return false;
  }
  ResourceSection section;
  if (!MergeAdded(tree, add, dropTypes, error) ||
      !BuildResourceSection(tree, image, placed.virtualAddress, section, error)) {
    return false;
  }
  const auto rawSize = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(AlignUp(section.size, layout.fileAlignment), UINT32_MAX));
  if (!PatchHeaders(image, layout, placed, section.size, rawSize, error)) return false;

  // Written beside the target and renamed over it, so a failed run leaves no half file.
  const std::string temporary = outPath + ".tmp";
  std::error_code ec;
  if (WriteImage(temporary, image, placed, section, rawSize, error)) {
    std::filesystem::rename(temporary, outPath, ec);
    if (!ec) return true;
    error = "cannot replace " + outPath + ": " + ec.message();
  }
  std::filesystem::remove(temporary, ec);
  return false;
}

}  // namespace peres
