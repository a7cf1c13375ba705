// The payload folder as the archive will hold it: every folder (each after its
// parent) and every file, in one stable order, with size and modification time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mksetup {

struct PayloadFile {
  std::string name;  // UTF-8, relative, "/" between folders
  std::filesystem::path path;
  std::uint64_t size = 0;
  std::uint64_t fileTime = 0;
};

struct Payload {
  std::vector<std::string> directories;  // UTF-8, relative
  std::vector<PayloadFile> files;
};

// False with `error` naming the path when the folder cannot be read, holds a link
// that leads outside it or into a folder that holds the link, something that is
// neither file nor folder, or a time before 1601. Links inside are packed as what
// they lead to.
bool ScanPayload(const std::filesystem::path& root, Payload& payload, std::string& error);

// Compares relative names folder by folder, so a folder sorts before its contents.
bool NameLess(const std::string& a, const std::string& b);

}  // namespace mksetup
