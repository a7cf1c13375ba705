// The archive's texts are Windows-1252 bytes; the publisher writes UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace mksetup {

// False with `problem` ("holds U+4E2D, which Windows-1252 cannot hold", "is not valid
// UTF-8") when the text has no exact Windows-1252 form. A leading BOM is not skipped.
bool Utf8ToWindows1252(std::string_view utf8, std::string& out, std::string& problem);

// For showing archive texts on a UTF-8 terminal; bytes that Windows-1252 leaves
// undefined come out as U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace mksetup
