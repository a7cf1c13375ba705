// The catalogue texts the earlier-installation and wizard scenarios expect, as
// Windows-1252 bytes, German first.
#pragma once

#include "setup_run.h"

namespace e2e {

inline constexpr Texts kTextUninstallFirst{"Bitte vorherige Version erst deinstallieren!",
                                           "Please uninstall previous version first!"};
inline constexpr Texts kTextRegistryReadFailed{
    "Konnte Information aus der Registry nicht lesen! Bitte installieren Sie das Spiel erneut.",
    "Couldn't read registry information! Please reinstall the game."};
inline constexpr Texts kTextInstallDirUnknown{"Konnte Installationsverzeichnis nicht bestimmen.",
                                              "Couldn't find the installation dorectory."};
inline constexpr Texts kTextRegistryAccessFailure{"Registry-Zugriffsfehler",
                                                  "Registry access failure"};
inline constexpr Texts kTextWrongClientVersion{"Falsche Client-Version", "Wrong client version"};
inline constexpr Texts kTextAlreadyUpdated{
    "Ihr Client ist bereits aktualisiert worden, daher ist dieses Update nicht notwendig.",
    "Your Client was already be updated. You don't need this update."};
inline constexpr Texts kTextMissingClient{"Fehlende Client-Datei:", "Missing client file:"};
inline constexpr Texts kTextAlreadyInstalled{
    "Sie haben bereits eine Version von TDM installiert.\nBevor Sie ein anderes Verzeichnis "
    "verwenden, sollten Sie die vorherige Version deinstallieren.",
    "You have already installed a version of TDM.\nBefore you can use another directory, you "
    "should uninstall the previous version."};

}  // namespace e2e
