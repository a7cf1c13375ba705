#include "s_uninstall_entry_win.h"

#include "s_logging.h"
#include "s_registry_win.h"

namespace {
constexpr char kUnit[] = "_shared/base/s_uninstall_entry";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemoor";
}  // namespace

bool RewriteDisplayVersion(const char* displayVersion) {
  CReg& reg = *CReg::Instance();
  bool found = false, written = false;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    if (!reg.KeyExists(root, kUninstallKey)) continue;
    found = true;
    // WriteString opens the key and never creates it.
    if (reg.WriteString(root, kUninstallKey, "DisplayVersion", displayVersion)) written = true;
  }
  if (!written)
    CLog::Instance()->Log(1, kUnit, 22, "DisplayVersion %s not written: %s", displayVersion,
                          found ? "the uninstall entry refused it" : "no uninstall entry");
  return written;
}
