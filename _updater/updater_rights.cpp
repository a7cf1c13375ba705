#include "updater_rights.h"

#include "name_rule.h"

namespace updater {

Rights DecideRights(bool allUsers, bool elevated, bool silent, bool child) {
  if (child) return allUsers && elevated ? Rights::kApplyHere : Rights::kRefuse;
  if (!allUsers || elevated) return Rights::kApplyHere;
  return silent ? Rights::kRefuse : Rights::kElevatedChild;
}

bool ChildRunsFromInstallation(std::string_view ownFolder, std::string_view installDir) {
  while (!installDir.empty() && installDir.back() == '\\') installDir.remove_suffix(1);
  return !installDir.empty() && installation::SameName(ownFolder, installDir);
}

}  // namespace updater
