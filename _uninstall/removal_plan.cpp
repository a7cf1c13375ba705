#include "removal_plan.h"

#include <algorithm>
#include <charconv>

#include "name_rule.h"
#include "s_created_record.h"

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

bool SameName(std::string_view a, std::string_view b) {
  return installation::SameName(a, b);
}

std::string ListFileName(std::uint32_t versionMS, std::uint32_t versionLS) {
  return std::string(kListFolder) + "\\0." + std::to_string(versionMS) + "." +
         std::to_string(versionLS) + ".lst";
}

bool IsListFileName(std::string_view name) {
  const std::string_view folder = std::string_view(kListFolder);
  if (name.size() <= folder.size() + 5 || !SameName(name.substr(0, folder.size()), folder) ||
      name[folder.size()] != '\\')
    return false;
  const std::string_view file = name.substr(folder.size() + 1);
  return file.find('\\') == std::string_view::npos &&
         SameName(file.substr(file.size() - 4), ".lst") && !SameName(name, created::kRecordName);
}

bool SafeRelativeName(std::string_view name, std::string& normalized) {
  if (installation::RelativeNameProblem(name, "\\/") != nullptr) return false;
  normalized.assign(name);
  std::replace(normalized.begin(), normalized.end(), '/', '\\');
  return true;
}

int ReadInstallList(std::string_view text, InstallList& into) {
  int refused = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const std::size_t blank = line.find(' ');
    const std::string_view tag = line.substr(0, blank);
    const std::string_view value =
        blank == std::string_view::npos ? std::string_view{} : line.substr(blank + 1);
    std::string name;
    if (tag == "S") {
      std::uint32_t id = 0;
      const auto [at, error] = std::from_chars(value.data(), value.data() + value.size(), id);
      if (error == std::errc{} && at == value.data() + value.size() && !value.empty())
        into.shortcutIds.push_back(id);
      else
        ++refused;
    } else if (!SafeRelativeName(value, name)) {
      ++refused;
    } else if (tag == "D") {
      into.directories.push_back(name);
    } else if (tag == "F") {
      into.files.push_back(name);
    } else if (tag == "L" && name.find('\\') == std::string::npos) {
      into.desktopLinks.push_back(name);
    } else if ((tag == "R0" || tag == "R1") && name.find('\\') == std::string::npos) {
      into.readmeLinks[tag == "R0" ? 0 : 1].push_back(name);
    } else {
      ++refused;
    }
  }
  return refused;
}

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
