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

// Runs `setup` with -debug through a full installation with the defaults (Next,
// terms accepted, Next, Start) and waits for the installation to end. Prints
// "install ok" or "install failed: <what the user saw>".
bool InstallWithDefaults(const std::string& setup);

// The file stage without the installer around it: `count` files of `size` bytes each
// written into `directory` as the installer writes one (create, one write from
// memory, set times, close). Prints "write_seconds <s>". Shows what Wine itself
// allows, as a reference for the installation's own figure.
bool WriteFilesLikeTheInstaller(const std::string& directory, int count, std::uint32_t size);

}  // namespace bench
