// One Setup.exe of a scenario: built into a scratch folder of its own, started there
// as a user would start it, watched through the driver, and its setup.log read back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "setup_builder.h"

namespace e2e {

inline constexpr char kDebugSwitch[] = "-debug";
inline constexpr char kLogFileName[] = "setup.log";

// Catalogue texts a scenario expects, as Windows-1252 bytes, in the order German,
// English (the language numbers).
struct Texts {
  const char* german;
  const char* english;
  const char* In(bool germanUser) const { return germanUser ? german : english; }
};
inline constexpr Texts kTextError{"Fehler!", "Error!"};
inline constexpr Texts kTextCorrupted{"Die Installations-Datei ist fehlerhaft! (",
                                      "The setup file is corrupted!"};
inline constexpr Texts kTextPleaseWait{"Bitte warten, Installation wird vorbereitet ...",
                                       "Please wait, installation will be prepared ..."};
inline constexpr Texts kTextNext{"&Weiter >>", "&Next >>"};
inline constexpr Texts kTextChooseLanguage{"Bitte w\xE4hlen Sie eine Sprache:",
                                           "Please choose a language:"};

// True when this process (and so every program it starts) has a German default
// language: German of Germany, Switzerland, Austria, Luxembourg or Liechtenstein.
bool UserIsGerman();

// setup.log's line "ticks : HH:MM:SS : level : text", split.
struct LogLine {
  bool hasPrefix = false;  // an empty line has none
  int level = 0;
  std::string text;
};
LogLine ParseLogLine(const std::string& line);
// The file's lines without their CR LF; nothing when the file does not exist.
std::optional<std::vector<std::string>> ReadLogLines(const std::string& path);
// Just the texts of the lines with a prefix, in file order.
std::vector<std::string> LogTexts(const std::vector<std::string>& lines);

class SetupUnderTest {
 public:
  // Builds folder\Setup.exe from the given segments (nullopt: resource left out).
  explicit SetupUnderTest(const SegmentSet& segments, const std::string& exeName = "Setup.exe");
  explicit SetupUnderTest(const archive::ArchiveDescription& description);
  SetupUnderTest(const SetupUnderTest&) = delete;
  SetupUnderTest& operator=(const SetupUnderTest&) = delete;

  const driver::ScratchDirectory& Folder() const { return folder_; }
  const std::string& Exe() const { return exe_; }
  std::string LogPath() const { return folder_.PathOf(kLogFileName); }

  // Starts Setup.exe by its full path with `arguments` as the command-line tail
  // ("-debug" by default), in its own folder unless options say otherwise.
  driver::App& Start(const std::string& arguments = kDebugSwitch,
                     driver::StartOptions options = {});
  // Starts with a command line of the caller's making, e.g. the bare program name.
  driver::App& StartCommandLine(const std::string& commandLine, driver::StartOptions options);
  driver::App& App();

  driver::Window WaitForWizard() { return App().WaitForForm("FSetup"); }
  driver::MessageBoxWindow WaitForMessageBox() { return App().WaitForMessageBox(); }
  // Cancels the wizard (Button2) and returns the exit code.
  DWORD CancelWizard();
  // Presses OK on the message box and returns the exit code; also checks that the
  // wizard never appeared meanwhile (throws driver::DriverError when it did).
  DWORD DismissRefusal(const driver::MessageBoxWindow& box);
  DWORD WaitForExit() { return App().WaitForExit(); }

  std::optional<std::vector<std::string>> LogLines() const { return ReadLogLines(LogPath()); }
  // The texts of setup.log's prefixed lines; empty when there is no log.
  std::vector<std::string> LogTexts() const;

 private:
  driver::ScratchDirectory folder_;
  std::string exe_;
  std::optional<driver::App> app_;
};

// An earlier installation as the registry and the installation folder show it:
// "Language", "InstallDir" and "StartMenuGroup" under HKEY_CURRENT_USER
// "Software\Tidemoor", and the demo client (product version 0.807.3) as
// InstallDir\TDMClient.exe. Removed again (key and folder) when it goes away.
class EarlierInstallation {
 public:
  explicit EarlierInstallation(DWORD language, const std::string& startMenuGroup = "Tidemoor");
  EarlierInstallation(const EarlierInstallation&) = delete;
  EarlierInstallation& operator=(const EarlierInstallation&) = delete;
  ~EarlierInstallation();

  const std::string& InstallDir() const { return folder_.Path(); }

 private:
  driver::ScratchDirectory folder_;
};

// The demo client 0.807.3 of this build tree, as a Windows path.
std::string DemoClientPath();

}  // namespace e2e
