// The uninstaller's registry work: the facts that guard against emptying a shared
// folder, and the removal of the product key and the uninstall entry. Each removal
// returns the registry call's own result (registry calls do not set GetLastError).
#pragma once

#include <windows.h>

#include <string>

#include "fixed_names.h"
#include "uninstall_decisions.h"

namespace uninstall {

using installation::kProductKey;
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";

// Windows' own and the users' folders, and the folders of every other uninstall entry
// under both roots and in both registry views.
GuardFacts GatherGuardFacts();

// The installer's values ("Language", "InstallDir", "StartMenuGroup") always; then
// the key as DecideProductKey says. ERROR_SUCCESS, or the first failing call's result.
LSTATUS RemoveProductKey(HKEY root, bool everything);

// The uninstall entry of the installation in `installDir`, wherever Setup wrote it.
LSTATUS RemoveUninstallEntry(const std::string& installDir);
// Whether that entry may be removed (checked before anything is removed, so that a
// run without the rights for it does not remove the lists and leave the entry); the
// machine's is not checked when an administrator removes it (entryByAdministrator).
LSTATUS MayRemoveUninstallEntry(const std::string& installDir, bool machineByAdministrator);
// Removes the machine's entry of the installation through the system's own reg.exe,
// started with the verb "runas", which only administrators can change: ERROR_SUCCESS
// once it is gone, ERROR_CANCELLED when the prompt was declined.
LSTATUS RemoveMachineEntryByAdministrator(const std::string& installDir);
// Whether it lies under the machine's key (Setup writes it there for a current-user
// installation too when it can): removing it then needs the machine's rights.
bool UninstallEntryOfMachine(const std::string& installDir);

}  // namespace uninstall
