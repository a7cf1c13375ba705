// The SHA-256 of a file, as package managers pin an installer: OpenSSL's libcrypto on
// the build host, CNG in mksetup.exe.
#pragma once

#include <filesystem>
#include <string>

namespace mksetup {

// 64 upper-case hex digits; false with `error` when the file cannot be read.
bool FileSha256(const std::filesystem::path& file, std::string& hex, std::string& error);

}  // namespace mksetup
