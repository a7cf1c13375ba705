// What the product accepts as a name below an installation folder, and how Windows
// compares two names: one rule for mksetup, which refuses a release that breaks it,
// and for every program that reads names others wrote (the install lists, the apply
// journal, the update feed's index). Windows-1252 bytes; portable, no windows.h.
#pragma once

#include <string>
#include <string_view>

namespace installation {

// One file or folder name: not empty, no <>:"/\|?* or control characters, not a
// device name (CON, NUL, COM1, ... also with an extension or a superscript digit), not ending in a
// dot or blank. Null when usable, else what is wrong with it.
const char* ComponentProblem(std::string_view name);

// A name relative to the installation folder, `separators` between its components
// ("/" for a manifest, "\\/" for what the programs read): no drive, not absolute, no
// empty, "." or ".." component, each component as ComponentProblem says.
const char* RelativeNameProblem(std::string_view name, std::string_view separators);

// The key by which Windows compares names: letter case folded as NTFS folds it for the
// letters Windows-1252 holds (a-z, à-þ but ÷, š œ ž ÿ to Š Œ Ž Ÿ); every other byte as is.
std::string FoldCase(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

}  // namespace installation
