#include "removal_plan.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "s_created_record.h"

namespace uninstall {
namespace {

unsigned char Fold(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  // Latin-1 small letters à..þ except ÷.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  return c;
}

std::string FoldKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  return key;
}

std::size_t Depth(const std::string& name) {
  return static_cast<std::size_t>(std::count(name.begin(), name.end(), '\\'));
}

// Adds `name` unless an entry of the same name (without letter case) is there.
void AddOnce(std::vector<std::string>& to, std::set<std::string>& seen, const std::string& name) {
  if (seen.insert(FoldKey(name)).second) to.push_back(name);
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FoldKey(a) == FoldKey(b);
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
  normalized.assign(name);
  std::replace(normalized.begin(), normalized.end(), '/', '\\');
  if (normalized.empty() || normalized.find(':') != std::string::npos) return false;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(normalized.find('\\', start), normalized.size());
    const std::string_view part = std::string_view(normalized).substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part)
      if (static_cast<unsigned char>(c) < 32) return false;
    if (end == normalized.size()) return true;
    start = end + 1;
  }
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
  std::set<std::string> seenFiles, seenDirectories;
  // The lists go last, so that a run that stops early can be repeated.
  for (const std::string& list : listFiles) seenFiles.insert(FoldKey(list));
  for (const std::string& list : listFiles) plan.listFiles.push_back(list);
  for (const std::string& file : lists.files) AddOnce(plan.files, seenFiles, file);
  for (const std::string& directory : lists.directories)
    AddOnce(plan.directories, seenDirectories, directory);
  for (const TreeEntry& entry : everything)
    AddOnce(entry.directory ? plan.directories : plan.files,
            entry.directory ? seenDirectories : seenFiles, entry.name);
  std::stable_sort(plan.directories.begin(), plan.directories.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
  std::set<std::string> found;
  for (const TreeEntry& entry : everything)
    if (entry.directory) found.insert(FoldKey(entry.name));
  for (const std::string& directory : plan.directories)
    plan.mustGo.push_back(found.count(FoldKey(directory)) != 0);
  return plan;
}

}  // namespace uninstall
