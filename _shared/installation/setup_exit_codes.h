// The exit codes of Setup's unattended run, as package managers read them: Setup
// returns them, mksetup lists them in the winget manifest. The wizard always ends with 0.
#pragma once

namespace setup {

inline constexpr int kExitInstalled = 0;
inline constexpr int kExitInstallFailed = 1603;         // ERROR_INSTALL_FAILURE
inline constexpr int kExitLockHeld = 1618;              // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr int kExitAlreadyInstalled = 1638;      // ERROR_PRODUCT_VERSION
inline constexpr int kExitWrongVersion = 1642;          // ERROR_PATCH_TARGET_NOT_FOUND
inline constexpr int kExitNotInstalled = 1605;          // ERROR_UNKNOWN_PRODUCT
inline constexpr int kExitOtherDirectory = 183;         // ERROR_ALREADY_EXISTS
inline constexpr int kExitNeedsRights = 740;            // ERROR_ELEVATION_REQUIRED
inline constexpr int kExitUnprotectedFolder = 5;        // ERROR_ACCESS_DENIED: others may change it
inline constexpr int kExitCorrupted = 1620;             // ERROR_INSTALL_PACKAGE_INVALID
inline constexpr int kExitMalformedCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE

}  // namespace setup
