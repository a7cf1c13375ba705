// Message ids of the texts this installer shows. The catalogue also carries the
// uninstaller's texts (100 to 109) and the updater's (200 to 255) under their bare
// numbers; the installer never shows those.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kMsgNext = 0;
inline constexpr std::uint32_t kMsgCancel = 1;
inline constexpr std::uint32_t kMsgError = 2;
inline constexpr std::uint32_t kMsgNoNextStep = 3;
inline constexpr std::uint32_t kMsgBack = 4;
inline constexpr std::uint32_t kMsgInstallDirectory = 5;
inline constexpr std::uint32_t kMsgScopeCurrentUser = 6;
inline constexpr std::uint32_t kMsgScopeAllUsers = 7;
inline constexpr std::uint32_t kMsgDesktopIcon = 8;
inline constexpr std::uint32_t kMsgProgress = 9;
inline constexpr std::uint32_t kMsgStart = 10;
inline constexpr std::uint32_t kMsgInstallSucceeded = 11;
inline constexpr std::uint32_t kMsgShowImportantInfo = 12;
inline constexpr std::uint32_t kMsgFinished = 13;
inline constexpr std::uint32_t kMsgChooseDirectory = 14;
inline constexpr std::uint32_t kMsgOk = 15;
inline constexpr std::uint32_t kMsgCreateDirectoryFailed = 16;
inline constexpr std::uint32_t kMsgInstallFailed = 17;
inline constexpr std::uint32_t kMsgCreatingDirectories = 18;
inline constexpr std::uint32_t kMsgCopyFile = 19;
// 20 and 40 are the start of a message: the caller appends to them.
inline constexpr std::uint32_t kMsgCopyException = 20;
inline constexpr std::uint32_t kMsgCreatingRegistryEntries = 22;
inline constexpr std::uint32_t kMsgLinkGame = 23;
inline constexpr std::uint32_t kMsgLinkSetup = 24;
inline constexpr std::uint32_t kMsgLinkUninstall = 25;
inline constexpr std::uint32_t kMsgCreateLinkFailed = 26;
inline constexpr std::uint32_t kMsgStartMenuGroup = 27;
inline constexpr std::uint32_t kMsgRegistryWriteFailed = 29;
inline constexpr std::uint32_t kMsgTermsOfUse = 30;
inline constexpr std::uint32_t kMsgTermsRead = 31;
inline constexpr std::uint32_t kMsgTermsAccepted = 32;
inline constexpr std::uint32_t kMsgRegistryAccessFailure = 33;
inline constexpr std::uint32_t kMsgClientVersionUnknown = 34;
inline constexpr std::uint32_t kMsgWrongClientVersion = 35;
// A printf format; the German text takes a second, unsigned argument.
inline constexpr std::uint32_t kMsgUpdateNeedsClientVersion = 36;
inline constexpr std::uint32_t kMsgInstallDirectoryUnknown = 37;
inline constexpr std::uint32_t kMsgRemoveOutdatedFile = 38;
inline constexpr std::uint32_t kMsgUninstallPreviousFirst = 39;
inline constexpr std::uint32_t kMsgSetupFileCorrupted = 40;
inline constexpr std::uint32_t kMsgRegistryReadFailed = 41;
inline constexpr std::uint32_t kMsgPleaseWait = 42;
inline constexpr std::uint32_t kMsgChooseLanguage = 43;
inline constexpr std::uint32_t kMsgUninstallNotPrepared = 44;
inline constexpr std::uint32_t kMsgRequiredSpace = 45;
inline constexpr std::uint32_t kMsgAvailableSpace = 46;
inline constexpr std::uint32_t kMsgAlreadyInstalled = 47;
inline constexpr std::uint32_t kMsgNeedAllUsersRights = 48;
inline constexpr std::uint32_t kMsgAlreadyUpdated = 49;
inline constexpr std::uint32_t kMsgMissingClientFile = 50;
// An all-users installation into a folder other accounts may change.
inline constexpr std::uint32_t kMsgFolderOthersMayChange = 51;
// An all-users installation whose folder other accounts may change: no prompt for the
// administrator's rights is shown for it ...
inline constexpr std::uint32_t kMsgFolderStartAsAdministrator = 52;
// ... and, with them, a folder Setup did not make cannot be protected.
inline constexpr std::uint32_t kMsgFolderReinstall = 53;

// The highest id that can have a text; every id above it gets the fall-back text.
inline constexpr std::uint32_t kMsgLastId = 255;
