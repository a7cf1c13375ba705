// The directory dialog seen from outside: the demo Setup.exe taken to its settings
// page, the dialog opened with ">>", and the folder list and drive box worked as a
// user works them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

// Texts the scenarios expect, as Windows-1252 bytes.
struct LanguageTexts {
  const char* german;
  const char* english;
  const char* In(bool inGerman) const { return inGerman ? german : english; }
};
inline constexpr LanguageTexts kChooseDirectory{"Verzeichnis ausw\xE4hlen:", "Choose a directory:"};
inline constexpr LanguageTexts kOk{"&Ok", "&Ok"};
inline constexpr LanguageTexts kCancel{"A&bbrechen", "&Cancel"};
inline constexpr LanguageTexts kInstallDirectory{"Installations-Verzeichnis:",
                                                 "Installation directory:"};
inline constexpr LanguageTexts kRequiredSpace{"Ben\xF6tigter Plattenplatz:",
                                              "Required disk space:"};
inline constexpr LanguageTexts kAvailableSpace{"Verf\xFCgbarer Plattenplatz:",
                                               "Available disk space:"};
inline constexpr char kStart[] = "&Start!";

// Free space of a volume in whole MiB, as the installer shows it ("123 MB").
std::string FreeSpaceFigure(const std::string& root);

// A folder of its own on D: (TDM_WINE_DRIVES maps the drive), removed with what the
// scenario made in it.
class DriveDFolder {
 public:
  DriveDFolder();
  DriveDFolder(const DriveDFolder&) = delete;
  DriveDFolder& operator=(const DriveDFolder&) = delete;
  ~DriveDFolder();

  // D:\<own folder>, without a trailing backslash.
  const std::string& Path() const { return path_; }
  // Makes Path()\relative with its parents.
  std::string Make(const std::string& relative);

 private:
  std::string path_;
  std::vector<std::string> made_;
};

class DirectoryDialogRun {
 public:
  // The demo installer, started and taken to the settings page.
  DirectoryDialogRun();
  ~DirectoryDialogRun();

  driver::App& App() { return *app_; }
  const driver::Window& Wizard() const { return wizard_; }
  driver::Window WizardControl(const std::string& name) const { return wizard_.Child(name); }

  // ">>" on the settings page; returns the shown dialog.
  driver::Window OpenDialog();
  // The dialog also while hidden.
  driver::Window Dialog() const;
  driver::Window DialogControl(const std::string& name) const { return Dialog().Child(name); }
  void WaitForDialogGone() const;

 private:
  std::optional<driver::App> app_;
  driver::Window wizard_;
};

// --- The folder list: the path from the root to the open folder, then its subfolders.
std::vector<std::string> ListEntries(const driver::Window& list);
// The index of the open folder: the last entry of the path.
int OpenFolderIndex(const driver::Window& list);
// Double-clicks the entry at `index`.
void DoubleClickEntry(const driver::Window& list, int index);
// Double-clicks the subfolder of the open folder with this name.
void OpenSubfolder(const driver::Window& list, const std::string& name);
// Picks the drive in the drive box as a user does; the list moves to it.
void ChooseDrive(const driver::Window& drives, char letter);
// Opens `path` ("D:\Games") the way a user would: its drive, its root, then folder
// by folder.
void Browse(const driver::Window& dialog, const std::string& path);

}  // namespace e2e
