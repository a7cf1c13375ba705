// What Windows and the installer accept as names. Checked on the Windows-1252 form
// that goes into the archive; each function returns null when the name is usable,
// else what is wrong with it.
#pragma once

#include <string>
#include <string_view>

namespace mksetup {

// One file or folder name: no <>:"/\|?* or control characters, not a device name
// (CON, NUL, COM1, ... also with an extension), not ending in a dot or blank.
const char* ComponentProblem(std::string_view name);

// A relative name inside the installation directory, "/" between its components.
const char* RelativeNameProblem(std::string_view name);

// A shortcut's file name: one component ending in ".lnk".
const char* LinkNameProblem(std::string_view name);

// The installation folder suffix: a backslash, then folder names joined by backslashes.
const char* InstallFolderProblem(std::string_view suffix);

// The start-menu group: folder names joined by backslashes.
const char* StartMenuGroupProblem(std::string_view group);

// The key Windows compares names by: letter case folded, as NTFS does for Latin-1.
std::string FoldCase(std::string_view name);

}  // namespace mksetup
