#include "pe_imports.h"

namespace peres {

namespace {
constexpr std::uint32_t kDescriptorSize = 20;  // IMAGE_IMPORT_DESCRIPTOR
constexpr std::uint32_t kDescriptorName = 12;
constexpr std::uint32_t kDescriptorFirstThunk = 16;
constexpr std::uint32_t kMaxDescriptors = 4096;  // far beyond any real program

bool ReadName(Bytes image, const PeLayout& layout, std::uint32_t rva, std::string& name) {
  const std::uint32_t available = MappedBytesFrom(layout, image.size(), rva);
  const auto at = RvaToFileOffset(layout, image.size(), rva, available);
  if (!at || available == 0) return false;
  name.clear();
  for (std::uint32_t i = 0; i < available; ++i) {
    if (image[*at + i] == 0) return true;
    name += static_cast<char>(image[*at + i]);
  }
  return false;  // no terminating NUL inside the section
}
}  // namespace

bool ReadImportedDlls(Bytes image, std::vector<std::string>& dlls, std::string& error) {
  dlls.clear();
  PeLayout layout;
  if (!ParsePeLayout(image, layout, error)) return false;
  if (layout.numberOfRvaAndSizes <= kImportDirectoryIndex) return true;
  std::uint32_t rva = 0;
  if (!ReadU32(image,
               std::uint64_t{layout.optionalHeaderOffset} + kOptDataDirectories +
                   kImportDirectoryIndex * kDataDirectorySize,
               rva)) {
    error = "data directories truncated";
    return false;
  }
  for (std::uint32_t n = 0; rva != 0 && n < kMaxDescriptors; ++n) {
    const auto at =
        RvaToFileOffset(layout, image.size(), rva + n * kDescriptorSize, kDescriptorSize);
    std::uint32_t nameRva = 0, firstThunk = 0;
    if (!at || !ReadU32(image, *at + kDescriptorName, nameRva) ||
        !ReadU32(image, *at + kDescriptorFirstThunk, firstThunk)) {
      error = "import directory outside the image";
      return false;
    }
    if (nameRva == 0 && firstThunk == 0) return true;  // the closing, empty descriptor
    std::string name;
    if (!ReadName(image, layout, nameRva, name)) {
      error = "import " + std::to_string(n + 1) + " has no readable DLL name";
      return false;
    }
    dlls.push_back(std::move(name));
  }
  error = rva == 0 ? "" : "import directory without an end";
  return rva == 0;
}

}  // namespace peres
