// The links of an installation as Setup makes them: the shell's folders, the start-menu
// group's levels and one link each. Shared by Setup and by the updater's apply and the
// replay that finishes it, so that an update leaves the links a fresh Setup would.
#pragma once

#include <windows.h>

#include <string>

namespace links {

inline constexpr std::size_t kFolderSize = 256;

// Fills `field` from the shell's published folder value, else from the shell itself.
// False when neither knows the folder (a link would then land in the root of the
// current drive) or the shell's answer does not fit the field.
bool ReadShellFolder(char (&field)[kFolderSize], HKEY root, const char* value, int csidl);
bool DesktopFolder(bool currentUser, char (&field)[kFolderSize]);
// The machine's programs folder for all users, falling back to the user's own.
bool ProgramsFolder(bool currentUser, char (&field)[kFolderSize]);

// Every missing level of `group` below `programsFolder`, never the programs folder
// itself; `made` counts the levels created. False when a level is refused ("..") or
// cannot be made.
bool MakeGroupLevels(const std::string& programsFolder, const std::string& group, unsigned& made);

// A link at `link` that starts `target` in `directory`; a path that does not fit a
// 256-byte field is refused, never cut.
bool MakeLink(const std::string& link, const std::string& target, const std::string& directory);

}  // namespace links
