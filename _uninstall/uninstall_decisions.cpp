#include "uninstall_decisions.h"

#include <algorithm>

#include "removal_plan.h"

namespace uninstall {
namespace {

std::string Normalized(std::string_view path) {
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

// `folder` is `other` or lies above it.
bool IsOrAbove(const std::string& folder, std::string_view other) {
  const std::string below = Normalized(other);
  if (below.empty() || below.size() < folder.size()) return false;
  return SameName(below.substr(0, folder.size()), folder) &&
         (below.size() == folder.size() || below[folder.size()] == '\\');
}

// "C:", "\\server\share", "\\?\C:" and anything that is not an absolute path.
bool IsRootOrRelative(const std::string& path) {
  std::string_view rest = path;
  if (rest.substr(0, 4) == "\\\\?\\" || rest.substr(0, 4) == "\\\\.\\") rest.remove_prefix(4);
  if (rest.size() >= 2 && rest[1] == ':')
    return rest.size() == 2 || rest[2] != '\\' || rest.size() == 3;
  if (rest.substr(0, 2) != "\\\\") return true;
  const std::size_t share = rest.find('\\', 2);
  return share == std::string_view::npos || rest.find('\\', share + 1) == std::string_view::npos;
}

}  // namespace

Wholesale MayEmptyWholesale(std::string_view folder, const GuardFacts& facts) {
  const std::string path = Normalized(folder);
  if (IsRootOrRelative(path) || path.find("\\..") != std::string::npos)
    return Wholesale::NotAPlainFolder;
  for (const std::string& shared : facts.shared)
    if (IsOrAbove(path, shared)) return Wholesale::SharedFolder;
  for (const std::string& other : facts.otherEntries)
    if (IsOrAbove(path, other)) return Wholesale::OtherProduct;
  return Wholesale::Allowed;
}

std::string FolderOfCommand(std::string_view command) {
  while (!command.empty() && command.front() == ' ') command.remove_prefix(1);
  std::string_view program;
  if (!command.empty() && command.front() == '"') {
    program = command.substr(1, command.find('"', 1) - 1);
  } else {
    // Unquoted: up to the first ".exe" that ends a word, else the whole text.
    std::string lower(command);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    std::size_t exe = lower.find(".exe");
    while (exe != std::string::npos && exe + 4 < lower.size() && lower[exe + 4] != ' ' &&
           lower[exe + 4] != ',')
      exe = lower.find(".exe", exe + 1);
    program = exe == std::string::npos ? command : command.substr(0, exe + 4);
  }
  const std::size_t slash = program.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string() : Normalized(program.substr(0, slash));
}

std::vector<std::string> WholesaleRoots(const created::CreatedRecord& record) {
  if (record.installLevels > 0) return {""};
  std::vector<std::string> roots;
  std::vector<std::string> folders = record.folders;
  std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
    return a.size() < b.size();  // parents before their children
  });
  for (const std::string& folder : folders) {
    const std::string path = Normalized(folder);
    if (std::none_of(roots.begin(), roots.end(),
                     [&](const std::string& root) { return IsOrAbove(root, path); }))
      roots.push_back(path);
  }
  return roots;
}

Elevation DecideElevation(MachineNeed need, bool elevated, bool silent, bool isCopy, bool restarted,
                          bool folderSafe) {
  if (need == MachineNeed::kNone || elevated) return Elevation::Proceed;
  if (silent || restarted) return Elevation::Refuse;
  if (need == MachineNeed::kEntry) return Elevation::EntryByAdministrator;
  if (isCopy) return Elevation::Refuse;
  return folderSafe ? Elevation::Restart : Elevation::RefuseFolder;
}

ProductKey DecideProductKey(bool everything, bool valuesLeft, bool subkeysLeft) {
  if (everything) return ProductKey::DeleteTree;
  return valuesLeft || subkeysLeft ? ProductKey::Keep : ProductKey::Delete;
}

}  // namespace uninstall
