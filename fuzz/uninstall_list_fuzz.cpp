// Arbitrary bytes as the uninstaller's lists: the text before the first NUL as a
// release's list, the rest as the record of what the installation created. The
// uninstaller may run elevated, so whatever its readers accept must stay inside the
// installation folder: no name with a drive, a root or a "..", no folder emptied
// wholesale that another one already covers, the plan's folders deepest first.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "removal_plan.h"
#include "s_created_record.h"
#include "uninstall_decisions.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Inside(const std::string& name) {
  std::string again;
  return uninstall::SafeRelativeName(name, again) && again == name;
}

std::size_t Depth(const std::string& name) {
  return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view listText = input.substr(0, nul);
  const std::string_view recordText =
      nul == std::string_view::npos ? std::string_view{} : input.substr(nul + 1);

  uninstall::InstallList list;
  uninstall::ReadInstallList(listText, list);
  for (const auto* names : {&list.directories, &list.files})
    for (const std::string& name : *names) Require(Inside(name));
  for (const auto* names : {&list.desktopLinks, &list.readmeLinks[0], &list.readmeLinks[1]})
    for (const std::string& name : *names) Require(Inside(name) && Depth(name) == 0);

  created::CreatedRecord record;
  if (created::ReadCreatedRecord(recordText, record)) {
    created::CreatedRecord again;
    Require(created::ReadCreatedRecord(created::WriteCreatedRecord(record), again));
    Require(again.folders == record.folders && again.installLevels == record.installLevels &&
            again.groupLevels == record.groupLevels);
  } else {
    Require(record.folders.empty() && record.installLevels == 0 && record.groupLevels == 0);
  }
  const std::vector<std::string> roots = uninstall::WholesaleRoots(record);
  std::vector<uninstall::TreeEntry> found;
  for (const std::string& root : roots) {
    Require(root.empty() ? record.installLevels > 0 : Inside(root));
    for (const std::string& other : roots)
      Require(&root == &other || root.empty() || other.rfind(root + "\\", 0) != 0);
    if (!root.empty()) found.push_back({root, true});
  }

  const uninstall::RemovalPlan plan =
      uninstall::PlanRemoval(list, {std::string(created::kRecordName)}, found);
  Require(plan.mustGo.size() == plan.directories.size());
  for (std::size_t i = 1; i < plan.directories.size(); ++i)
    Require(Depth(plan.directories[i - 1]) >= Depth(plan.directories[i]));
  for (const std::string& file : plan.files) Require(Inside(file));
  return 0;
}
