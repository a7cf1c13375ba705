// Carries out the removal on the machine: files, lists, links, registry entries and
// folders of one installation, with progress and every failure reported.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "s_product_lock_win.h"

namespace uninstall {

struct Installation {
  std::string dir;                // without a trailing backslash
  HKEY root = HKEY_CURRENT_USER;  // where its product key is: the scope
  std::uint32_t language = 1;
  std::string group;
  // A current-user installation whose uninstall entry is the machine's, removed by a
  // player without the machine's rights: the system's registry tool removes the entry,
  // elevated, and nothing else runs with those rights.
  bool entryByAdministrator = false;
};

// The installation registered for `dir` under either root (the current user's first).
bool FindInstallation(const std::string& dir, Installation& installation);

class RemovalObserver {
 public:
  virtual ~RemovalObserver() = default;
  virtual void Status(const char* text) = 0;
  virtual void Progress(std::uint32_t done, std::uint32_t total) = 0;
  // `messageId`: 108 for a file or folder, 33 for the registry.
  virtual void Failed(const std::string& what, std::uint32_t messageId) = 0;
};

struct RemovalRequest {
  bool everything = false;  // the player's files too, in the folders the installation made
  // The running original's file stays for the finisher (/S); otherwise it goes with
  // the lists.
  bool leaveUninstaller = false;
  // The installation's lock, released before the installation folder goes.
  CProductLock* lock = nullptr;
};

struct RemovalOutcome {
  bool ok = false;
  bool refused = false;        // everything asked where a shared folder would be emptied
  unsigned createdLevels = 0;  // the installation folder and those above it it made
};

// The product key's installer values, the lists, uninstall.exe and the uninstall
// entry go only when everything before them went, so that a failed run can be repeated.
RemovalOutcome RemoveInstallation(const Installation& installation, const RemovalRequest& request,
                                  RemovalObserver& observer);

// The finisher's part: uninstall.exe, then the installation folder and the `levels` - 1
// folders above it, each only when empty.
bool RemoveUninstallerAndFolders(const std::string& dir, unsigned levels, CProductLock& lock);
// The installation folder when empty, then up to `levels` - 1 folders above it while
// they are empty; false when the installation folder stays.
bool RemoveCreatedFolders(const std::string& dir, unsigned levels);

}  // namespace uninstall
