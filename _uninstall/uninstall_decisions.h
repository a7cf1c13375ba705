// The uninstaller's decisions that are not about one list: which folders may be
// emptied wholesale, whether to ask for elevation, what becomes of the product key.
// Portable: no windows.h; the Windows half gathers the facts and carries them out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "s_created_record.h"

namespace uninstall {

// Folders that are never emptied wholesale, nor any folder above one of them.
struct GuardFacts {
  std::vector<std::string> shared;        // system folders, profiles, the shell's known folders
  std::vector<std::string> otherEntries;  // folders of the other uninstall entries
};

// NotAPlainFolder: a drive or share root, a relative path, one with "..".
enum class Wholesale { Allowed, NotAPlainFolder, SharedFolder, OtherProduct };

// Whether `folder` (absolute) may be emptied wholesale. Letter case and trailing
// backslashes do not count; "/" is taken as "\".
Wholesale MayEmptyWholesale(std::string_view folder, const GuardFacts& facts);

// The folder of the program an UninstallString or DisplayIcon starts, quoted or not,
// with or without arguments; empty when it names none.
std::string FolderOfCommand(std::string_view command);

// The folders under the installation folder, relative to it ("" for itself), that
// the installation created and that hold no other: those, and only those, are
// emptied wholesale when the player asks for everything.
std::vector<std::string> WholesaleRoots(const created::CreatedRecord& record);

// What of an installation needs the machine's rights: an all-users one, everything; a
// current-user one whose uninstall entry Setup wrote under the machine's key, the entry.
enum class MachineNeed { kNone, kEntry, kAllUsers };

// Whether the uninstaller may go on as it is, restarts its original with elevation
// ("runas"), or refuses. Only the original of an all-users installation restarts, and
// only from a folder no other account may change (`folderSafe`); a copy is never
// elevated (its folder could be swapped first) and /S never asks. A current-user
// installation's folder is its player's: nothing from it runs elevated, and its
// machine entry alone is removed by the system's own registry tool, elevated, once the
// player has confirmed (EntryByAdministrator).
enum class Elevation { Proceed, Restart, Refuse, RefuseFolder, EntryByAdministrator };
inline constexpr char kElevationVerb[] = "runas";
Elevation DecideElevation(MachineNeed need, bool elevated, bool silent, bool isCopy, bool restarted,
                          bool folderSafe);

// The product key once its installer's values are gone: everything goes only when
// the player asked for everything; otherwise the game's own options keep it.
enum class ProductKey { DeleteTree, Delete, Keep };
ProductKey DecideProductKey(bool everything, bool valuesLeft, bool subkeysLeft);

}  // namespace uninstall
