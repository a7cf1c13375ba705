// The names every program of the product and mksetup agree on: the registry keys, the
// files the programs find one another by, and the updater's own files beside the game's.
// A name changed here changes what earlier installations are read as: keep them.
#pragma once

namespace installation {

// Under HKCU for a current-user installation, under HKLM for an all-users one.
inline constexpr char kProductKey[] = "Software\\Tidemoor";
// The updater's settings, the player's under HKCU; the keys an all-users installation
// trusts, under HKLM.
inline constexpr char kUpdaterKey[] = "Software\\Tidemoor\\Updater";

inline constexpr char kClientFile[] = "TDMClient.exe";
inline constexpr char kUninstallerName[] = "uninstall.exe";
// Where every release leaves its install list, and the record of what Setup created.
inline constexpr char kListFolder[] = "uninstall";
inline constexpr char kCreatedRecordName[] = "uninstall\\created.lst";

// The installation's lock, held by the program of the product that changes it: there
// only while held (deleted when its holder closes it).
inline constexpr char kLockFileName[] = "product.lock";

// Downloads wait below the installation directory, on the volume the apply renames
// them on, named by their SHA-256, so a partial file is resumed only for the content
// it belongs to. Outside the staging folder: a replay empties that one.
inline constexpr char kDownloadFolder[] = "update.download";
// Beside the game's files, the updater's own; the uninstaller removes them by name.
inline constexpr char kServerListName[] = "serverlist.txt";        // the game server list
inline constexpr char kReplacedUpdaterName[] = "updater.exe.old";  // until its next start
inline constexpr char kUpdaterProgramName[] = "updater.exe";       // the elevated steps start it
// The release's patch notes for the player, under the name of the installation's
// language (German, English), as the catalogue's text 250 gives it.
inline constexpr const char* kPatchNotesNames[] = {"patchnotes_deutsch.txt",
                                                   "patchnotes_english.txt"};

}  // namespace installation
