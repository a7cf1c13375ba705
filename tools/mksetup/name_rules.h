// What Windows and the installer accept as names. Checked on the Windows-1252 form
// that goes into the archive; each function returns null when the name is usable,
// else what is wrong with it.
#pragma once

#include <string>
#include <string_view>

#include "name_rule.h"

namespace mksetup {

// One file or folder name, and the key names are compared by: the product's one rule.
using installation::ComponentProblem;
using installation::FoldCase;

// A relative name inside the installation directory, "/" between its components.
const char* RelativeNameProblem(std::string_view name);

// A shortcut's file name: one component ending in ".lnk".
const char* LinkNameProblem(std::string_view name);

// The installation folder suffix: a backslash, then folder names joined by backslashes.
const char* InstallFolderProblem(std::string_view suffix);

// The start-menu group: folder names joined by backslashes.
const char* StartMenuGroupProblem(std::string_view group);

}  // namespace mksetup
