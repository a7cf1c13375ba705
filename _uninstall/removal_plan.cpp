#include "removal_plan.h"

#include <algorithm>

#include "name_rule.h"

namespace uninstall {
namespace {

std::string FoldKey(std::string_view name) {
  return installation::FoldCase(name);
}

std::size_t Depth(const std::string& name) {
  return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\'));
}

// The folded names, sorted, each once.
std::vector<std::string> SortedKeys(std::vector<std::string> keys) {
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

// Each of `names` that no name before it equals without letter case, in their order; the
// first `blocking` names are never taken, they only keep their equals out. Sorted keys
// rather than a set: the programs that link this have no other tree.
std::vector<std::string> FirstOfEachName(const std::vector<const std::string*>& names,
                                         std::size_t blocking) {
  std::vector<std::string> keys;
  keys.reserve(names.size());
  for (const std::string* name : names) keys.push_back(FoldKey(*name));
  const std::vector<std::string> sorted = SortedKeys(keys);
  std::vector<bool> seen(sorted.size(), false);
  std::vector<std::string> taken;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto slot = static_cast<std::size_t>(
        std::lower_bound(sorted.begin(), sorted.end(), keys[i]) - sorted.begin());
    if (seen[slot]) continue;
    seen[slot] = true;
    if (i >= blocking) taken.push_back(*names[i]);
  }
  return taken;
}

// Deepest first, in their order within one depth, so that children go before their
// parents: a stable sort by depth, without the merge sort's code.
std::vector<std::string> DeepestFirst(std::vector<std::string> names) {
  std::vector<std::size_t> depths;
  std::size_t deepest = 0;
  for (const std::string& name : names) {
    depths.push_back(Depth(name));
    deepest = std::max(deepest, depths.back());
  }
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (std::size_t depth = deepest + 1; depth-- > 0;)
    for (std::size_t i = 0; i < names.size(); ++i)
      if (depths[i] == depth) sorted.push_back(std::move(names[i]));
  return sorted;
}

}  // namespace

RemovalPlan PlanRemoval(const InstallList& lists, const std::vector<std::string>& listFiles,
                        const std::vector<TreeEntry>& everything) {
  RemovalPlan plan;
  // The lists go last, so that a run that stops early can be repeated.
  plan.listFiles = listFiles;
  std::vector<const std::string*> files, directories;
  for (const std::string& list : listFiles) files.push_back(&list);
  for (const std::string& file : lists.files) files.push_back(&file);
  for (const std::string& directory : lists.directories) directories.push_back(&directory);
  for (const TreeEntry& entry : everything)
    (entry.directory ? directories : files).push_back(&entry.name);
  plan.files = FirstOfEachName(files, listFiles.size());
  plan.directories = DeepestFirst(FirstOfEachName(directories, 0));
  std::vector<std::string> found;
  for (const TreeEntry& entry : everything)
    if (entry.directory) found.push_back(FoldKey(entry.name));
  found = SortedKeys(std::move(found));
  for (const std::string& directory : plan.directories)
    plan.mustGo.push_back(std::binary_search(found.begin(), found.end(), FoldKey(directory)));
  return plan;
}

}  // namespace uninstall
