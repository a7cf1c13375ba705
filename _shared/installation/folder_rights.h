// Whether a folder's owner and access list keep an all-users installation to the
// administrators: what makes a folder one that no ordinary account can change under
// the elevated steps' feet. Decided on the text Windows gives a security descriptor
// (SDDL, owner and access list); portable, so every rule is a row of a native table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace installation {

// What an all-users installation's folder, and each level Setup makes for it, is made
// with: SYSTEM and Administrators full control, Users read and execute, inherited by
// everything inside, nothing inherited from above (what Program Files gives).
inline constexpr char kProtectedFolderSddl[] =
    "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

enum class FolderRights {
  kSafe,
  kForeignOwner,     // owned by another than SYSTEM, Administrators, TrustedInstaller
  kOthersMayChange,  // someone else may write, delete or change its permissions
  kNotUnderstood,    // no access list, or text this reading does not know: refused
};

// `installationFolder`: the folder itself, into which no one else may write either (nor,
// through what its entries pass on, into what is made inside it); otherwise a folder
// above it, beside whose contents others may add their own, but which no one else may
// rename, delete from or re-permission. Deny entries only take away and are not read.
FolderRights JudgeFolderRights(std::string_view sddl, bool installationFolder);

// What an elevated step does about an installation's folders, judged from the root down
// (the installation folder last): go on when every level is safe; give the protected
// list to the failing levels Setup made, for installations made before their folders
// were protected; refuse otherwise, since only a folder's owner could make it safe.
// What Setup made is read from a record in the folder itself, which the very accounts
// the list keeps out could have written: so a level is given the list only when an
// administrator owns it already, it is not the root, and, above the installation
// folder, it holds nothing but the level below it.
struct LevelFacts {
  FolderRights rights = FolderRights::kNotUnderstood;
  bool holdsOnlyNext = false;  // a level above: nothing in it but the next level down
};
struct FolderRepair {
  bool refuse = false;
  std::size_t failing = 0;           // the first level that fails, when refused
  std::vector<std::size_t> protect;  // levels to give kProtectedFolderSddl, top down
};
FolderRepair PlanFolderRepair(const std::vector<LevelFacts>& levels, unsigned madeLevels);

// Each level of `directory` from its root down, the directory last: "C:\", "C:\Games",
// "C:\Games\Tidemoor"; "\\server\share\" first for a network path. Empty for a path
// without a root.
std::vector<std::string> FolderLevels(std::string_view directory);

}  // namespace installation
