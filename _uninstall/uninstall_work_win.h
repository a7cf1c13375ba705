// Carries out the removal plan on the machine: files, lists, links, registry
// entries and folders of one installation, with progress and every failure reported.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace uninstall {

struct Installation {
  std::string dir;                // without a trailing backslash
  HKEY root = HKEY_CURRENT_USER;  // where its product key is: the scope
  std::uint32_t language = 1;
  std::string group;
};

// The installation registered for `dir` under either root (the current user's first).
bool FindInstallation(const std::string& dir, Installation& installation);

class RemovalObserver {
 public:
  virtual ~RemovalObserver() = default;
  virtual void Status(const char* text) = 0;
  virtual void Progress(std::uint32_t done, std::uint32_t total) = 0;
  virtual void Failed(const std::string& path) = 0;
};

// True when everything was removed. The product key and the uninstall entry go only
// then, so that a run that failed can be repeated.
bool RemoveInstallation(const Installation& installation, bool everything,
                        RemovalObserver& observer);

}  // namespace uninstall
