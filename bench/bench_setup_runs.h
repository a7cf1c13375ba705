// The Windows half of tools/bench: Setup.exe driven from outside and timed, as a
// user would meet it. Every command prints plain "key value" lines for the script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Registers an earlier installation in C:\Tidemoor as an update expects it (current
// user, English) with `client` as its TDMClient.exe. False when that fails.
bool PrepareUpdate(const std::string& client);

// Starts each of `setups` in turn, `runs` rounds after one untimed round that brings
// them into the page cache, and prints "wizard_ms <index> <ms>" for each timed start:
// the time from the process start until the wizard form is on screen. Taking turns
// spreads a busy machine's noise evenly over the programs compared.
bool TimeToWizard(const std::vector<std::string>& setups, int runs);

struct InstallOptions {
  bool debug = true;
  // When not empty, the screen is saved there once the bar has reached `shotAt` %.
  std::string screenshot;
  int shotAt = 40;
};

// Runs `setup` through a full installation with the defaults (Next, terms accepted,
// Next, Start) and waits for the installation to end. Prints "install ok" and
// "start_to_end_ms <ms>" (from the click on Start to the enabled button of the last
// page), or "install failed: <what the user saw>".
bool InstallWithDefaults(const std::string& setup, const InstallOptions& options);

// What a plain writer does besides writing, to price each of the installer's costs
// per file on its own.
enum class WriterExtra {
  None,
  LogLine,      // plus a log line appended with its own open, write and close
  Refresh,      // plus a status line and a bar set, what they invalidated painted and
                // pending messages processed
  FullRepaint,  // as Refresh, but the whole window with its children invalidated,
                // erased and painted, as the installer's refresh did before
};

// The file stage without the installer around it: `count` files of `size` bytes each
// written into `directories` folders of `directory` as the installer writes one
// (create, one write from memory, set times, close). Prints "write_seconds <s>".
// Shows what Wine itself allows, as a reference for the installation's own figure.
bool WriteFilesLikeTheInstaller(const std::string& directory, int count, std::uint32_t size,
                                int directories, WriterExtra extra);

}  // namespace bench
