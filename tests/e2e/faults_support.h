// What the fault scenarios share: the demo Setup.exe driven through its wizard to
// the start of the installation, the failure page as the user sees it, and the
// checks that nothing was registered and nobody else's file was touched.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "driver.h"

namespace faults {

struct InstallSettings {
  InstallSettings(std::string into) : directory(std::move(into)) {}
  std::string directory;             // typed into the directory field
  std::optional<std::string> group;  // the start-menu group, when not the default
  bool desktopIcon = false;
  std::string arguments;  // Setup.exe's command line after its path ("-debug")
};

// The message box of a failed installation and what the wizard showed after it.
struct FailureSeen {
  std::string caption;
  std::string text;
  bool onFailurePage = false;  // TabSheet5 shown, the success page not
  std::string finishButton;    // Button1's caption there
  bool cancelHidden = false;
  unsigned long exitCode = 0xFFFFFFFF;
};

// Starts `setupExe` (a Windows path), picks English, accepts the terms, fills the
// settings page and presses Start.
driver::App StartInstallation(const std::string& setupExe, const InstallSettings& settings);

// After StartInstallation: waits for the failure box, presses OK, reads the failure
// page, presses Finished and waits for the program to end.
FailureSeen FinishFailedInstallation(driver::App& app);

// The catalogue text of `id` in a language (English unless told).
std::string Catalogue(unsigned id, unsigned language = 1);
// Windows' own description of an error code, as Setup.exe puts it into its message.
std::string SystemMessage(unsigned long error);

// True when neither root has the product's key nor its uninstall entry.
bool NothingRegistered();
std::string RegistryLeftovers();  // for failure messages: which of them exist

// Points the current user's desktop (the shell's published "Desktop" value, which
// Setup.exe reads) at `folder`, creating it: Wine links the real one to the Unix home,
// which every other test on the machine shares.
void UsePrivateDesktop(const std::string& folder);

// A file of someone else's with known contents.
void WriteBystander(const std::string& path, const std::string& contents);
std::optional<std::string> ReadFileBytes(const std::string& path);

// The demo's full installer, as a Windows path.
std::string DemoFullSetup();

// The drive of the fault media (a Unix folder with a small tmpfs "full" and a
// read-only tmpfs "readonly" mounted in it), or nothing when the media are not
// mounted (no rights to mount on this machine).
std::optional<std::string> FaultMedia();

}  // namespace faults
