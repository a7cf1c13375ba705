// What the earlier-installation scenarios prepare before Setup.exe starts: the
// product's registry values in either root, and an installed client whose version
// resource says exactly the version a scenario needs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "archive_writer.h"
#include "driver.h"

namespace e2e {

// The product's key "Software\Tidemoor" in both roots, removed again from both when
// the object goes away (also values a test wrote itself).
class RegisteredValues {
 public:
  RegisteredValues();
  RegisteredValues(const RegisteredValues&) = delete;
  RegisteredValues& operator=(const RegisteredValues&) = delete;
  ~RegisteredValues();

  void SetLanguage(HKEY root, DWORD language);
  void SetString(HKEY root, const char* name, const std::string& value);
};

// An installation folder holding TDMClient.exe (the demo client) with the product
// version `ms`.`ls` in its version resource; removed with the object.
class InstalledClient {
 public:
  InstalledClient(DWORD ms, DWORD ls);
  InstalledClient(const InstalledClient&) = delete;
  InstalledClient& operator=(const InstalledClient&) = delete;

  const std::string& Directory() const { return folder_.Path(); }
  std::string ClientPath() const { return folder_.PathOf("TDMClient.exe"); }

  // The client keeps a version resource, but one without its fixed part.
  void DropFixedVersionPart();
  // The client loses its version resource altogether.
  void DropVersionResource();

 private:
  driver::ScratchDirectory folder_;
};

// A small update archive bringing `packageMS`.`packageLS` and requiring
// `requiredMS`.`requiredLS` (0 halves: any).
archive::ArchiveDescription UpdateArchive(std::uint32_t requiredMS, std::uint32_t requiredLS,
                                          std::uint32_t packageMS = 807,
                                          std::uint32_t packageLS = 4);

// What a user saw of a refusal at start, and what Setup.exe did after OK.
struct Refusal {
  std::string caption;
  std::string text;
  bool hasIcon = false;
  DWORD exitCode = 0xFFFFFFFF;
  std::vector<std::string> log;  // setup.log's texts
};
// Builds and starts Setup.exe with -debug, waits for its refusal box, presses OK and
// watches it end without showing the wizard.
Refusal RunToRefusal(const archive::ArchiveDescription& description);

}  // namespace e2e
