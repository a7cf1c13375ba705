#include "apply_plan.h"

#include "check_outcome.h"
#include "name_rule.h"
#include "s_lang.h"
#include "updater_steps.h"

namespace updater {

bool PlanApply(const feed::Release& target, const std::vector<std::size_t>& files,
               const std::vector<std::string>& installedFiles, const std::vector<bool>& folderThere,
               journal::Plan& plan) {
  plan = journal::Plan{};
  for (std::size_t index : files) {
    std::string name;
    if (index >= target.files.size() || !InstallName(target.files[index].name, name)) return false;
    // Two names Windows takes for one would share one backup in the journal.
    for (const std::string& planned : plan.files)
      if (installation::SameName(planned, name)) return false;
    plan.files.push_back(name);
  }
  for (const std::string& name : ObsoleteFiles(installedFiles, target))
    if (journal::SafeName(name)) plan.obsolete.push_back(name);
  for (std::size_t i = 0; i < target.directories.size(); ++i) {
    std::string name;
    if (!InstallName(target.directories[i], name)) return false;
    if (i >= folderThere.size() || !folderThere[i]) plan.newFolders.push_back(name);
  }
  return true;
}

journal::LinkPlan PlanLinks(const feed::Release& target, const Installation& installation) {
  journal::LinkPlan plan;
  plan.allUsers = installation.allUsers;
  plan.group = installation.startMenuGroup;
  const std::uint32_t before = CLang::GetLanguage();
  const std::uint32_t language =
      installation.language < feed::kLanguageCount ? installation.language : 1;
  CLang::SetLanguage(language);
  std::string name;
  for (const feed::ReleaseShortcut& shortcut : target.shortcuts) {
    const char* text = CLang::GetText(shortcut.linkNameId);
    if (text != nullptr && InstallName(shortcut.targetFile, name))
      plan.links.push_back({text, name});
  }
  if (!target.readmeLinks[language].empty() && InstallName(target.readmeFiles[language], name))
    plan.links.push_back({target.readmeLinks[language], name});
  CLang::SetLanguage(before);
  return plan;
}

}  // namespace updater
