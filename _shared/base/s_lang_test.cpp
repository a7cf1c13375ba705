#include "s_lang.h"
#include "s_lang_user.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace {

#ifdef TDM_CATALOGUE_LAST_ID
// The texts one program carries: the ids above its last one give the fall-back.
constexpr std::uint32_t kCarriedLastId = TDM_CATALOGUE_LAST_ID;
#else
constexpr std::uint32_t kCarriedLastId = ~std::uint32_t{0};
#endif

// Taken at static initialisation, before any test sets a language.
const std::uint32_t kInitialLanguage = CLang::GetLanguage();
const std::string kInitialNext = CLang::GetText(kMsgNext);

// The golden catalogue, one id a line: id|English|German|, "\n" for a line feed;
// ids without a text give the fallback.
constexpr std::string_view kCatalogue = R"(0|&Next >>|&Weiter >>|
1|&Cancel|A&bbrechen|
2|Error!|Fehler!|
3|Didn't find next Step!|Konnte nächsten Schritt nicht finden!|
4|<< &Back|<< &Zurück|
5|Installation directory:|Installations-Verzeichnis:|
6|register/start menu entry for current user|Registrierung/Startmenü-Eintrag für aktuellen Nutzer|
7|register/start menu entry for all users|Registrierung/Startmenü-Eintrag für alle Nutzer|
8|create icon on the desktop|Symbol auf dem Desktop erstellen|
9|Progress:|Status:|
10|&Start!|&Start!|
11|Installation was successful finished.|Die Installation wurde erfolgreich abgeschlossen.|
12|&Show important informations|&Wichtige Informationen anzeigen|
13|&Finished!|&Fertig!|
14|Choose a directory:|Verzeichnis auswählen:|
15|&Ok|&Ok|
16|Could not create directory.|Konnte Verzeichnis nicht erstellen.|
17|An error occured while installation.|Während der Installation ist ein Fehler aufgetreten.|
18|Creating directories and sub directories.|Erstelle Verzeichnisse und Unterverzeichnisse.|
19|Copy file:|Kopiere Datei:|
20|An exception occured while copying: |Es ist eine Exception während des Kopierens aufgetreten: |
22|Creating registry entries ...|Erstelle Registrierungs-Einträge ...|
23|Tidemoor.lnk|Tidemoor.lnk|
24|Tidemoor Setup.lnk|Tidemoor Einstellungen.lnk|
25|Tidemoor Uninstallation.lnk|Tidemoor Deinstallation.lnk|
26|Couldn't create link to file!|Konnte Verknüpfung nicht erstellen!|
27|Name of start menu group:|Name der Startmenü-Gruppe:|
29|Couldn't update registry informations!|Konnte Registrierungs-Informationen nicht speichern!|
30|Terms of use:|Nutzungsbedingungen:|
31|&Yes, I have read the terms of use|&Ja, ich habe die Nutzungsbedingungen gelesen|
32|and understand it and accept it.|und verstanden und akzeptiere sie.|
33|Registry access failure|Registry-Zugriffsfehler|
34|Couldn't find out the actual installed client version.|Konnte aktuell installierte Client-Version nicht bestimmen.|
35|Wrong client version|Falsche Client-Version|
36|This update can only be installed on client version %2.3f.|Dieses Update kann nur auf Clientversion %2.3f.%u aufgespielt werden.|
37|Couldn't find the installation dorectory.|Konnte Installationsverzeichnis nicht bestimmen.|
38|Remove outdated file:|Entferne veraltete Datei:|
39|Please uninstall previous version first!|Bitte vorherige Version erst deinstallieren!|
40|The setup file is corrupted!|Die Installations-Datei ist fehlerhaft! (|
41|Couldn't read registry information! Please reinstall the game.|Konnte Information aus der Registry nicht lesen! Bitte installieren Sie das Spiel erneut.|
42|Please wait, installation will be prepared ...|Bitte warten, Installation wird vorbereitet ...|
43|Please choose a language:|Bitte wählen Sie eine Sprache:|
44|Uninstallation couldn't prepared.|Deinstallation konnte nicht vorbereitet werden.|
45|Required disk space:|Benötigter Plattenplatz:|
46|Available disk space:|Verfügbarer Plattenplatz:|
47|You have already installed a version of TDM.\nBefore you can use another directory, you should uninstall the previous version.|Sie haben bereits eine Version von TDM installiert.\nBevor Sie ein anderes Verzeichnis verwenden, sollten Sie die vorherige Version deinstallieren.|
48|For installing TDM for all users you need mor access rights!|Um TDM für alle Nutzer zu installieren, benötigen Sie mehr Zugriffsrechte!|
49|Your Client was already be updated. You don't need this update.|Ihr Client ist bereits aktualisiert worden, daher ist dieses Update nicht notwendig.|
50|Missing client file:|Fehlende Client-Datei:|
51|Other users can change this directory. Please choose another one to install TDM for all users.|Andere Benutzer können dieses Verzeichnis ändern. Bitte wählen Sie ein anderes, um TDM für alle Nutzer zu installieren.|
52|Other users can change the directory of TDM, so no administrator rights are requested for it. Please start this program as an administrator.|Andere Benutzer können das Verzeichnis von TDM ändern, daher werden dafür keine Administratorrechte angefordert. Bitte starten Sie dieses Programm als Administrator.|
53|Other users can change the directory of TDM, and it was not created by Setup. Please uninstall TDM and install it again in a new directory.|Andere Benutzer können das Verzeichnis von TDM ändern, und es wurde nicht vom Setup angelegt. Bitte deinstallieren Sie TDM und installieren Sie es in einem neuen Verzeichnis neu.|
100|Uninstallation:|Deinstallation:|
101|Attention!|Achtung!|
102|&Yes, I want to uninstall the program!|&Ja, ich möchte das Programm deinstallieren!|
103|Do DELETE &Savegames and updates too|&Spielstände und Updates auch LÖSCHEN|
104|Please confirm the uninstallation.|Bitte bestätigen Sie die Deinstallation.|
105|Uninstallation progress|Deinstallations-Status:|
106|An error occured while unistallation!|Während der Deinstallation trat ein Fehler auf!|
107|Uninstallation successful finished.|Deinstallation erfolgreich abgeschlossen.|
108|Delete a file/directory failed!|Löschen einer Datei/Verzeichnisses schlug fehl!|
109|Remove links and registry entries|Verknüpfungen und Registrierung löschen|
200|Action-Log:|Aktions-Log:|
201|Press button [Check Version] to start ...|Button [Version Prüfen] klicken, um zu starten ...|
208|, overall length: |, Gesamtlänge: |
220|Couldn't find version index.|Konnte Versions-Übersicht nicht finden. |
223|Please download an actual version of the updater from the  Tidemoor - web pages.|Bitte laden Sie sich die aktuelle Version\ndes Update-Programms von den Tidemoor-Webseiten herunter.|
228|Receiving document:  |Empfange Dokument:  |
232|The client is not up to date. But since there are no update files,\nplease check the TDM websites for a manual patch.|Der Client ist nicht auf dem neuesten Stand.\nDa aber keine Update-Dateien vorhanden sind,\ninformieren Sie sich bitte auf den TDM-Webseiten über ein manuelles Update.|
235|A new version of the updater was downloaded.\nThis will now be installed, after that you can continue the update process.|Eine neue Version des Updaters wurde heruntergeladen.\nDiese wird nun installiert und gestartet.\nDanach können Sie wie gewohnt mit dem Update fortfahren.|
237|Update-Size:|Update-Größe:|
251|&Close|&Schließen|
252|File '%s' is already available, nevertheless download it again?|Datei '%s' ist bereits vorhanden, trotzdem erneut herunterladen?|
254|%i files, %.1f %s|%i Dateien, %.1f %s|
255|Your updater is too old to be updated with the auto updater.\nPlease download an actual version from the TDM-Websites.|Der Updater ist zu alt, um per Auto-Updater aktualisiert werden zu können.\nBitte laden Sie eine aktuelle Version von den TDM-Webseiten.|
21|-- text missed! --|-- Text fehlt! --|
28|-- text missed! --|-- Text fehlt! --|
54|-- text missed! --|-- Text fehlt! --|
99|-- text missed! --|-- Text fehlt! --|
199|-- text missed! --|-- Text fehlt! --|
256|-- text missed! --|-- Text fehlt! --|
4294967295|-- text missed! --|-- Text fehlt! --|)";

// The compiler turns the catalogue into Windows-1252 (-fexec-charset), independent of the
// escapes in the product's table; only the line feeds are spelt "\n".
std::string Unescaped(std::string_view text) {
  std::string bytes(text);
  for (std::size_t at; (at = bytes.find("\\n")) != std::string::npos;) bytes.replace(at, 2, "\n");
  return bytes;
}

std::string TextOf(std::uint32_t language, std::uint32_t id) {
  CLang::SetLanguage(language);
  const char* text = CLang::GetText(id);
  return text == nullptr ? "<null>" : text;
}

TEST(CLang, GermanFirstThenEveryIdHasItsTextInBothLanguagesByteForByteAndOthersNull) {
  EXPECT_EQ(kInitialLanguage, kLanguageGerman);
  EXPECT_EQ(kInitialNext, "&Weiter >>");
  int rows = 0;
  for (std::size_t at = 0, end = 0; at < kCatalogue.size(); at = end + 1, ++rows) {
    end = std::min(kCatalogue.find('\n', at), kCatalogue.size());
    const std::string_view line = kCatalogue.substr(at, end - at);
    const std::size_t en = line.find('|') + 1, de = line.find('|', en) + 1;
    const auto id = static_cast<std::uint32_t>(std::stoul(std::string(line.substr(0, en))));
    // A program's catalogue without the id gives the fall-back for it.
    const bool carried = id <= kCarriedLastId;
    EXPECT_EQ(TextOf(kLanguageEnglish, id),
              carried ? Unescaped(line.substr(en, de - en - 1)) : "-- text missed! --")
        << id;
    EXPECT_EQ(TextOf(kLanguageGerman, id),
              carried ? Unescaped(line.substr(de, line.size() - de - 1)) : "-- Text fehlt! --")
        << id;
    EXPECT_EQ(TextOf(2, id), "<null>") << id;
    EXPECT_EQ(TextOf(4294967295u, id), "<null>") << id;
  }
  EXPECT_EQ(rows, 82);
  EXPECT_EQ(CLang::GetLanguage(), 4294967295u);
}

TEST(LanguageForUserLangId, GermanForTheFiveGermanLocalesOnly) {
  const std::uint16_t german[] = {0x0407, 0x0807, 0x0C07, 0x1007, 0x1407},
                      english[] = {0x0007, 0x1807, 0x0409, 0x040C, 0x0000, 0xFFFF};
  for (std::uint16_t id : german) EXPECT_EQ(LanguageForUserLangId(id), kLanguageGerman) << id;
  for (std::uint16_t id : english) EXPECT_EQ(LanguageForUserLangId(id), kLanguageEnglish) << id;
}

}  // namespace
