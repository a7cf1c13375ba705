// What the uninstaller removes and in which order, decided from the installation
// lists that every release leaves in uninstall\. Portable: no windows.h.
#pragma once

#include <string>
#include <vector>

#include "install_list.h"
#include "name_rule.h"
#include "s_tree_entry.h"

namespace uninstall {

// The list's format and the names it lives under are the product's, shared with mksetup
// and the updater.
using installation::InstallList;
using installation::IsListFileName;
using installation::kListFolder;
using installation::kUninstallerName;
using installation::ListFileName;
using installation::ReadInstallList;
using installation::SafeRelativeName;
// Windows compares names without letter case (the product's one folding).
using installation::SameName;

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

}  // namespace uninstall
