// The catalogue's texts as one program carries them: the rows up to
// TDM_CATALOGUE_LAST_ID. The installer never shows the uninstaller's (100 to 109) nor the
// updater's (200 to 255), and the uninstaller never the updater's; each program links the
// object made for it, and leaves out several kilobytes of texts it would never show.
#include <array>

#include "s_lang.h"

#ifndef TDM_CATALOGUE_LAST_ID
#define TDM_CATALOGUE_LAST_ID 255
#endif

namespace {

// One id with its two texts, Windows-1252 bytes. The umlauts are written as escapes
// so that the bytes do not depend on the encoding of this source file.
struct CatalogueRow {
  std::uint32_t id;
  const char* english;
  const char* german;
};

constexpr CatalogueRow kCatalogueRows[] = {
    {kMsgNext, "&Next >>", "&Weiter >>"},
    {kMsgCancel, "&Cancel", "A&bbrechen"},
    {kMsgError, "Error!", "Fehler!"},
    {kMsgNoNextStep, "Didn't find next Step!",
     "Konnte n\xE4"
     "chsten Schritt nicht finden!"},
    {kMsgBack, "<< &Back",
     "<< &Zur\xFC"
     "ck"},
    {kMsgInstallDirectory, "Installation directory:", "Installations-Verzeichnis:"},
    {kMsgScopeCurrentUser, "register/start menu entry for current user",
     "Registrierung/Startmen\xFC-Eintrag f\xFCr aktuellen Nutzer"},
    {kMsgScopeAllUsers, "register/start menu entry for all users",
     "Registrierung/Startmen\xFC-Eintrag f\xFCr alle Nutzer"},
    {kMsgDesktopIcon, "create icon on the desktop", "Symbol auf dem Desktop erstellen"},
    {kMsgProgress, "Progress:", "Status:"},
    {kMsgStart, "&Start!", "&Start!"},
    {kMsgInstallSucceeded, "Installation was successful finished.",
     "Die Installation wurde erfolgreich abgeschlossen."},
    {kMsgShowImportantInfo, "&Show important informations", "&Wichtige Informationen anzeigen"},
    {kMsgFinished, "&Finished!", "&Fertig!"},
    {kMsgChooseDirectory, "Choose a directory:", "Verzeichnis ausw\xE4hlen:"},
    {kMsgOk, "&Ok", "&Ok"},
    {kMsgCreateDirectoryFailed, "Could not create directory.",
     "Konnte Verzeichnis nicht erstellen."},
    {kMsgInstallFailed, "An error occured while installation.",
     "W\xE4hrend der Installation ist ein Fehler aufgetreten."},
    {kMsgCreatingDirectories, "Creating directories and sub directories.",
     "Erstelle Verzeichnisse und Unterverzeichnisse."},
    {kMsgCopyFile, "Copy file:", "Kopiere Datei:"},
    {kMsgCopyException, "An exception occured while copying: ",
     "Es ist eine Exception w\xE4hrend des Kopierens aufgetreten: "},
    {kMsgCreatingRegistryEntries, "Creating registry entries ...",
     "Erstelle Registrierungs-Eintr\xE4ge ..."},
    {kMsgLinkGame, "Tidemoor.lnk", "Tidemoor.lnk"},
    {kMsgLinkSetup, "Tidemoor Setup.lnk", "Tidemoor Einstellungen.lnk"},
    {kMsgLinkUninstall, "Tidemoor Uninstallation.lnk", "Tidemoor Deinstallation.lnk"},
    {kMsgCreateLinkFailed, "Couldn't create link to file!",
     "Konnte Verkn\xFCpfung nicht erstellen!"},
    {kMsgStartMenuGroup, "Name of start menu group:", "Name der Startmen\xFC-Gruppe:"},
    {kMsgRegistryWriteFailed, "Couldn't update registry informations!",
     "Konnte Registrierungs-Informationen nicht speichern!"},
    {kMsgTermsOfUse, "Terms of use:", "Nutzungsbedingungen:"},
    {kMsgTermsRead, "&Yes, I have read the terms of use",
     "&Ja, ich habe die Nutzungsbedingungen gelesen"},
    {kMsgTermsAccepted, "and understand it and accept it.", "und verstanden und akzeptiere sie."},
    {kMsgRegistryAccessFailure, "Registry access failure", "Registry-Zugriffsfehler"},
    {kMsgClientVersionUnknown, "Couldn't find out the actual installed client version.",
     "Konnte aktuell installierte Client-Version nicht bestimmen."},
    {kMsgWrongClientVersion, "Wrong client version", "Falsche Client-Version"},
    {kMsgUpdateNeedsClientVersion, "This update can only be installed on client version %2.3f.",
     "Dieses Update kann nur auf Clientversion %2.3f.%u aufgespielt werden."},
    {kMsgInstallDirectoryUnknown, "Couldn't find the installation dorectory.",
     "Konnte Installationsverzeichnis nicht bestimmen."},
    {kMsgRemoveOutdatedFile, "Remove outdated file:", "Entferne veraltete Datei:"},
    {kMsgUninstallPreviousFirst, "Please uninstall previous version first!",
     "Bitte vorherige Version erst deinstallieren!"},
    {kMsgSetupFileCorrupted, "The setup file is corrupted!",
     "Die Installations-Datei ist fehlerhaft! ("},
    {kMsgRegistryReadFailed, "Couldn't read registry information! Please reinstall the game.",
     "Konnte Information aus der Registry nicht lesen! Bitte installieren Sie das Spiel erneut."},
    {kMsgPleaseWait, "Please wait, installation will be prepared ...",
     "Bitte warten, Installation wird vorbereitet ..."},
    {kMsgChooseLanguage, "Please choose a language:", "Bitte w\xE4hlen Sie eine Sprache:"},
    {kMsgUninstallNotPrepared, "Uninstallation couldn't prepared.",
     "Deinstallation konnte nicht vorbereitet werden."},
    {kMsgRequiredSpace, "Required disk space:", "Ben\xF6tigter Plattenplatz:"},
    {kMsgAvailableSpace, "Available disk space:", "Verf\xFCgbarer Plattenplatz:"},
    {kMsgAlreadyInstalled,
     "You have already installed a version of TDM.\nBefore you can use another directory, you "
     "should uninstall the previous version.",
     "Sie haben bereits eine Version von TDM installiert.\nBevor Sie ein anderes Verzeichnis "
     "verwenden, sollten Sie die vorherige Version deinstallieren."},
    {kMsgNeedAllUsersRights, "For installing TDM for all users you need mor access rights!",
     "Um TDM f\xFCr alle Nutzer zu installieren, ben\xF6tigen Sie mehr Zugriffsrechte!"},
    {kMsgAlreadyUpdated, "Your Client was already be updated. You don't need this update.",
     "Ihr Client ist bereits aktualisiert worden, daher ist dieses Update nicht notwendig."},
    {kMsgMissingClientFile, "Missing client file:", "Fehlende Client-Datei:"},
    {kMsgFolderOthersMayChange,
     "Other users can change this directory. Please choose another one to install TDM for all "
     "users.",
     "Andere Benutzer k\xF6nnen dieses Verzeichnis \xE4ndern. Bitte w\xE4hlen Sie ein anderes, "
     "um TDM f\xFCr alle Nutzer zu installieren."},
    {kMsgFolderStartAsAdministrator,
     "Other users can change the directory of TDM, so no administrator rights are requested "
     "for it. Please start this program as an administrator.",
     "Andere Benutzer k\xF6nnen das Verzeichnis von TDM \xE4ndern, daher werden daf\xFCr keine "
     "Administratorrechte angefordert. Bitte starten Sie dieses Programm als Administrator."},
    {kMsgFolderReinstall,
     "Other users can change the directory of TDM, and it was not created by Setup. Please "
     "uninstall TDM and install it again in a new directory.",
     "Andere Benutzer k\xF6nnen das Verzeichnis von TDM \xE4ndern, und es wurde nicht vom Setup "
     "angelegt. Bitte deinstallieren Sie TDM und installieren Sie es in einem neuen Verzeichnis "
     "neu."},
    {100, "Uninstallation:", "Deinstallation:"},
    {101, "Attention!", "Achtung!"},
    {102, "&Yes, I want to uninstall the program!",
     "&Ja, ich m\xF6"
     "chte das Programm deinstallieren!"},
    {103, "Do DELETE &Savegames and updates too", "&Spielst\xE4nde und Updates auch L\xD6SCHEN"},
    {104, "Please confirm the uninstallation.", "Bitte best\xE4tigen Sie die Deinstallation."},
    {105, "Uninstallation progress", "Deinstallations-Status:"},
    {106, "An error occured while unistallation!",
     "W\xE4hrend der Deinstallation trat ein Fehler auf!"},
    {107, "Uninstallation successful finished.", "Deinstallation erfolgreich abgeschlossen."},
    {108, "Delete a file/directory failed!", "L\xF6schen einer Datei/Verzeichnisses schlug fehl!"},
    {109, "Remove links and registry entries", "Verkn\xFCpfungen und Registrierung l\xF6schen"},
    {200, "Action-Log:", "Aktions-Log:"},
    {201, "Press button [Check Version] to start ...",
     "Button [Version Pr\xFC"
     "fen] klicken, um zu starten ..."},
    {202, "Check for new version ...",
     "Pr\xFC"
     "fe auf neue Version ..."},
    {203, "While downloading the files an error occured.",
     "W\xE4hrend des Herunterladens der Dateien ist ein Fehler aufgetreten."},
    {204, "Please try again.", "Bitte wiederholen Sie den Vorgang."},
    {205, "No new files found or needed.", "Keine neuen Dateien gefunden oder ben\xF6tigt."},
    {206, "The client is up to date.", "Der Client ist auf dem aktuellen Stand."},
    {207, "New files found: ", "Neue Dateien gefunden: "},
    {208, ", overall length: ", ", Gesamtl\xE4nge: "},
    {209, " Bytes.", " Bytes."},
    {210, " KBytes.", " KBytes."},
    {211, " MBytes.", " MBytes."},
    {212, "Receiving file: ", "Empfange Datei: "},
    {213, "Unexpected exception: ", "Unerwartete Exception: "},
    {214, "Download finished, copy files into game directory.",
     "Download abgeschlossen, installiere Dateien ins Spielverzeichnis."},
    {215, "File is already available, no new download neccessary.",
     "Datei schon vorhanden, kein erneuter Download n\xF6tig."},
    {216, "File successfully received.", "Datei erfolgreich empfangen."},
    {217, "Start Game", "&Spiel starten"},
    {218, "Update-Server:", "Update-Server:"},
    {219, "Update finished, click button to start the game.",
     "Update abgeschlossen, Button klicken, um Spiel zu starten."},
    {220, "Couldn't find version index.",
     "Konnte Versions-\xDC"
     "bersicht nicht finden. "},
    {221, "Please visit the TDM websites for more information.",
     "Bitte konsultieren Sie die TDM-Webseiten f\xFCr mehr Informationen."},
    {222, "Wrong version of the updater. ", "Falsche Version des Updaters. "},
    {223, "Please download an actual version of the updater from the  Tidemoor - web pages.",
     "Bitte laden Sie sich die aktuelle Version\ndes Update-Programms von den Tidemoor-Webseiten "
     "herunter."},
    {224, "Couldn't start client.", "Client konnte nicht gestartet werden."},
    {225, "&Check Version",
     "Version &Pr\xFC"
     "fen"},
    {226, "Load update &automatically at next start",
     "Update beim n\xE4"
     "chsten Start &automatisch laden"},
    {227, "File corrupted, trying again.", "Datei fehlerhaft, versuche erneut."},
    {228, "Receiving document:  ", "Empfange Dokument:  "},
    {229, "Download finished.", "Download abgeschlossen."},
    {230, "Couldn't register actual version.", "Konnte aktuelle Version nicht registrieren."},
    {231, "Your version is newer than the needed one. Please use the actual version.",
     "Ihre Version ist neuer als die ben\xF6tigte. Bitte benutzen Sie die aktuelle Version."},
    {232,
     "The client is not up to date. But since there are no update files,\nplease check the TDM "
     "websites for a manual patch.",
     "Der Client ist nicht auf dem neuesten Stand.\nDa aber keine Update-Dateien vorhanden "
     "sind,\ninformieren Sie sich bitte auf den TDM-Webseiten \xFC"
     "ber ein manuelles Update."},
    {233,
     "There is something wrong with the version control file.\nPlease check the TDM websites for "
     "more informations.",
     "Die Versions-Kontroll-Datei ist defekt.\nBesuchen Sie die TDM-Webseiten f\xFCr n\xE4here "
     "Informationen."},
    {234, "Downloading a new version of the updater...",
     "Eine neue Version des Updaters wird heruntergeladen..."},
    {235,
     "A new version of the updater was downloaded.\nThis will now be installed, after that you can "
     "continue the update process.",
     "Eine neue Version des Updaters wurde heruntergeladen.\nDiese wird nun installiert und "
     "gestartet.\nDanach k\xF6nnen Sie wie gewohnt mit dem Update fortfahren."},
    {236,
     "Auto-Updater: Installed Client-Version: ", "Auto-Updater: Installierte Client-Version: "},
    {237, "Update-Size:",
     "Update-Gr\xF6\xDF"
     "e:"},
    {238, "Couldn't find the actual updater executable. ",
     "Konnte aktuelle Updater-Datei nicht finden. "},
    {239, "Please inform yourself about this on the TDM-Websites.",
     "Bitte informieren Sie sich auf den TDM-Webseiten \xFC"
     "ber eine neue Version."},
    {240, "Progress cancelled...", "Vorgang abgebrochen..."},
    {241, "Couldn't copy the new updater version. ",
     "Konnte neue Updater-Version nicht kopieren. "},
    {242, "&Options", "&Einstellungen"},
    {243, "Connection failed.", "Verbindung konnte nicht hergestellt werden."},
    {244, "Could not find the setup program of the client.",
     "Das Options-Programm des Clients konnte nicht gefunden werden."},
    {245, "Load actual game server list...", "Lade aktuelle Spiele-Serverliste..."},
    {246, "Actual game server list couldn't be found. ",
     "Aktuelle Spiele-Serverliste konnte nicht geladen werden. "},
    {247, "Possibly some work on the servers in still in progress.",
     "M\xF6glicherweise werden gerade Wartungsarbeiten durchgef\xFChrt."},
    {248, "Update finished", "Update abgeschlossen"},
    {249, "Do you want to read the patch notes now?",
     "M\xF6"
     "chten Sie jetzt die \xC4nderungshinweise lesen?"},
    {250, "patchnotes_english.txt", "patchnotes_deutsch.txt"},
    {251, "&Close",
     "&Schlie\xDF"
     "en"},
    {252, "File '%s' is already available, nevertheless download it again?",
     "Datei '%s' ist bereits vorhanden, trotzdem erneut herunterladen?"},
    {253,
     "Your client is too old to be updated with the auto updater.\nPlease install the available "
     "full version.",
     "Der Client ist zu alt, um per Auto-Updater aktualisiert werden zu k\xF6nnen.\nBitte "
     "installieren Sie die aktuelle Voll-Version."},
    {254, "%i files, %.1f %s", "%i Dateien, %.1f %s"},
    {255,
     "Your updater is too old to be updated with the auto updater.\nPlease download an actual "
     "version from the TDM-Websites.",
     "Der Updater ist zu alt, um per Auto-Updater aktualisiert werden zu k\xF6nnen.\nBitte laden "
     "Sie eine aktuelle Version von den TDM-Webseiten."},
};

constexpr const char* kGermanFallback = "-- Text fehlt! --";
constexpr const char* kEnglishFallback = "-- text missed! --";

constexpr bool RowsAreUniqueAndInRange() {
  std::array<bool, kMsgLastId + 1> seen{};
  for (const CatalogueRow& row : kCatalogueRows) {
    if (row.id > kMsgLastId || seen[row.id]) return false;
    seen[row.id] = true;
  }
  return true;
}
static_assert(RowsAreUniqueAndInRange(), "every id once, none above kMsgLastId");

// The highest id this program shows a text for; the ids above it get the fall-back.
constexpr std::uint32_t kCarriedLastId = TDM_CATALOGUE_LAST_ID;
static_assert(kCarriedLastId <= kMsgLastId);

// The texts in the program: one pair per row, and one byte per id for its row, rather
// than a pointer per id in each language (4 KB, and a relocation for each).
struct TextPair {
  const char* english;
  const char* german;
};
constexpr std::size_t kRowCount = [] {
  std::size_t count = 0;
  for (const CatalogueRow& row : kCatalogueRows) count += row.id <= kCarriedLastId ? 1 : 0;
  return count;
}();
constexpr std::uint8_t kNoRow = 0xFF;
static_assert(kRowCount < kNoRow, "a row's number fits its byte");

constexpr std::array<TextPair, kRowCount> kTexts = [] {
  std::array<TextPair, kRowCount> texts{};
  std::size_t next = 0;
  for (const CatalogueRow& row : kCatalogueRows)
    if (row.id <= kCarriedLastId) texts[next++] = {row.english, row.german};
  return texts;
}();

// Ids without a text keep the fall-back, so a lookup is two indexes.
constexpr std::array<std::uint8_t, kMsgLastId + 1> kRowOfId = [] {
  std::array<std::uint8_t, kMsgLastId + 1> rows{};
  rows.fill(kNoRow);
  std::size_t next = 0;
  for (const CatalogueRow& row : kCatalogueRows)
    if (row.id <= kCarriedLastId) rows[row.id] = static_cast<std::uint8_t>(next++);
  return rows;
}();

}  // namespace

const char* CLang::GetText(std::uint32_t id) {
  const std::uint32_t language = CLang::GetLanguage();
  const bool german = language == kLanguageGerman;
  if (!german && language != kLanguageEnglish) return nullptr;
  const std::uint8_t row = id <= kMsgLastId ? kRowOfId[id] : kNoRow;
  if (row == kNoRow) return german ? kGermanFallback : kEnglishFallback;
  return german ? kTexts[row].german : kTexts[row].english;
}
