// What the uninstaller removes and in which order, decided from the installation
// lists that every release leaves in uninstall\. Portable: no windows.h.
//
// A list is Windows-1252 text, one entry a line: a tag, a blank, then the text.
//   D <folder>   F <file>        relative to the installation directory
//   L <name>     the desktop link's file name
//   S <id>       a start-menu link named by catalogue id
//   R0 / R1 <name>  the readme link of the German / English installation
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "s_tree_entry.h"

namespace uninstall {

inline constexpr char kListFolder[] = "uninstall";
inline constexpr char kUninstallerName[] = "uninstall.exe";

struct InstallList {
  std::vector<std::string> directories;
  std::vector<std::string> files;
  std::vector<std::string> desktopLinks;
  std::vector<std::uint32_t> shortcutIds;
  std::array<std::vector<std::string>, 2> readmeLinks;  // German, English
};

// The list's own name for a release, e.g. "uninstall\0.807.3.lst".
std::string ListFileName(std::uint32_t versionMS, std::uint32_t versionLS);
// One file directly in uninstall\ ending .lst, other than the record of what the
// installation created.
bool IsListFileName(std::string_view name);

// A relative name that stays inside the installation directory and that Windows reads
// as written (the product's one name rule). "/" is taken as "\".
bool SafeRelativeName(std::string_view name, std::string& normalized);

// Adds one list's entries; returns how many lines were refused (unknown tag, unsafe name).
int ReadInstallList(std::string_view text, InstallList& into);

using tree::TreeEntry;

struct RemovalPlan {
  std::vector<std::string> files;        // listed files, each once, in list order
  std::vector<std::string> listFiles;    // removed after the files
  std::vector<std::string> directories;  // deepest first, each removed only when empty
  std::vector<bool> mustGo;              // per directory: found when emptying wholesale
};

// `everything`: what is now in the folders emptied wholesale (the player's files
// too), when the player asked for it; empty otherwise. Those folders must go.
RemovalPlan PlanRemoval(const InstallList& lists, const std::vector<std::string>& listFiles,
                        const std::vector<TreeEntry>& everything);

// Windows compares names without letter case (the product's one folding).
bool SameName(std::string_view a, std::string_view b);

}  // namespace uninstall
