// The install list every release leaves in uninstall\: what mksetup writes, what the
// uninstaller removes by and the updater plans obsolete files from. Portable.
//
// A list is Windows-1252 text, one entry a line: a tag, a blank, then the text.
//   D <folder>   F <file>        relative to the installation directory
//   L <name>     the desktop link's file name
//   S <id>       a start-menu link named by catalogue id
//   R0 / R1 <name>  the readme link of the German / English installation
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fixed_names.h"

namespace installation {

struct InstallList {
  std::vector<std::string> directories;
  std::vector<std::string> files;
  std::vector<std::string> desktopLinks;
  std::vector<std::uint32_t> shortcutIds;
  std::array<std::vector<std::string>, 2> readmeLinks;  // German, English
};

// A list longer than this is refused unread: no release comes near it.
inline constexpr std::size_t kMaxListBytes = 16u << 20;

// The list's own name for a release, e.g. "uninstall\0.807.3.lst".
std::string ListFileName(std::uint32_t versionMS, std::uint32_t versionLS);
// One file directly in uninstall\ ending .lst, other than the record of what the
// installation created.
bool IsListFileName(std::string_view name);

// A relative name that stays inside the installation directory and that Windows reads
// as written (the product's one name rule). "/" is taken as "\".
bool SafeRelativeName(std::string_view name, std::string& normalized);

// The next line of a list (the install lists, the record of what was created), taken off
// the front of `text`, without its line end (LF or CR LF).
std::string_view NextListLine(std::string_view& text);

// Adds one list's entries; returns how many lines were refused (unknown tag, unsafe name).
int ReadInstallList(std::string_view text, InstallList& into);
// The list's text, in the order above, names with "\" and lines ending CR LF.
std::string InstallListText(const InstallList& list);

}  // namespace installation
