// Resources of a Windows executable, read and written without Windows: mksetup runs
// on Linux and puts the setup archive into a prebuilt stub as named resources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace peres {

// A resource whose bytes are streamed from the file at path. Type and name are
// printable ASCII names, stored upper-cased as the loader looks them up, or "#" and
// a decimal id ("#3" for an icon image).
struct AddedResource {
  std::string type;
  std::string name;
  std::string path;
};

// Copies the data of a resource (its first language) out of a PE32+ image. Type and
// name are names, or "#" and a decimal id as FindResource takes them. False, with a
// reason in error, when the resource is absent or the image is malformed.
bool ReadResource(const std::vector<std::uint8_t>& image, const std::string& type,
                  const std::string& name, std::vector<std::uint8_t>& data, std::string& error);

// Writes outPath: the stub with the added resources merged into its own (which keep
// working). A resource of the same type and name in the stub is replaced, and the
// stub's resources of the types in dropTypes are left out. On failure outPath is left
// untouched and no temporary file remains.
bool WriteWithResources(const std::string& stubPath, const std::vector<AddedResource>& add,
                        const std::string& outPath, std::string& error,
                        const std::vector<std::string>& dropTypes = {});

}  // namespace peres
