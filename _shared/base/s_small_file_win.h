#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A whole file into memory, for the product's own small files (the apply journal, the
// saved index, the install lists). A file longer than `limit` is refused unread, so a
// planted giant never fills memory. False with `error` set (ERROR_FILE_NOT_FOUND for a
// missing file; ERROR_FILE_TOO_LARGE past the limit) and nothing in `bytes`.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   DWORD& error);
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& text, DWORD& error);
