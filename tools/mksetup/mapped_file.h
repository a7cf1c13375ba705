// A whole file mapped read-only, so a 200 MB archive is checked without copying it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace mksetup {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;

  // False with `error` naming the file when it cannot be opened or mapped.
  bool Open(const std::filesystem::path& path, std::string& error);
  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

 private:
  void Close();

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  void* mapping_ = nullptr;  // the file mapping object on Windows
};

// True when standard error is a terminal, where progress can be redrawn in place.
bool StandardErrorIsTerminal();

}  // namespace mksetup
