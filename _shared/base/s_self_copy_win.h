// A copy of the running program in a new folder of its own, for a program that must
// remove its own file (the uninstaller; the updater next). The folder's name cannot
// be guessed and it is created so that it fails if it exists, so nothing that was
// there before is overwritten or started, and no planted DLL sits beside the copy.
#pragma once

#include <string>

namespace self_copy {

// True when this process has the machine's rights (elevated, or the system).
bool RunsElevated();

// Copies the running program as `fileName` into a new folder "<prefix>-<16 hex>"
// under the user's temporary folder, or, for an elevated program, under the Windows
// folder's Temp with a security descriptor that lets only administrators and the
// system in. The copy's full path, or empty.
std::string MakeSelfCopy(const char* prefix, const char* fileName, bool elevated);

// Has the copy and its folder removed at the next start of Windows; false where
// that is not allowed (a standard user), and the next run's clean-up removes them.
bool ScheduleRemoval(const std::string& copyPath);

// Removes what earlier runs left in the place MakeSelfCopy would use: folders of
// this prefix, unchanged for an hour or more, holding nothing but files.
void RemoveEarlierCopies(const char* prefix, bool elevated);

}  // namespace self_copy
