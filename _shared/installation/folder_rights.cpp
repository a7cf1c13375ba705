#include "folder_rights.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace installation {
namespace {

// Access bits of a folder.
constexpr std::uint32_t kAddFile = 0x2, kAddSubfolder = 0x4, kWriteEa = 0x10, kDeleteChild = 0x40,
                        kWriteAttributes = 0x100, kDelete = 0x10000, kWriteDac = 0x40000,
                        kWriteOwner = 0x80000, kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kGenericAll = 0x10000000, kGenericWrite = 0x40000000;
constexpr std::uint32_t kFileAll = 0x1F01FF, kFileWrite = 0x120116;

// Beside the folder's contents: adding is allowed, taking away or re-permissioning not.
constexpr std::uint32_t kChangesFolder = kDeleteChild | kDelete | kWriteDac | kWriteOwner;
constexpr std::uint32_t kChangesContents =
    kChangesFolder | kAddFile | kAddSubfolder | kWriteEa | kWriteAttributes | kMaximumAllowed;

bool Trusted(std::string_view sid) {
  return sid == "SY" || sid == "BA" || sid == "S-1-5-18" || sid == "S-1-5-32-544" ||
         sid == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}

// The rights of an entry, as a number or as SDDL's two-letter names; false for a name
// it does not know.
bool Rights(std::string_view text, std::uint32_t& mask) {
  mask = 0;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    if (text.size() < 3 || text.size() > 10) return false;
    for (const char c : text.substr(2)) {
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      mask = mask << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
  }
  static constexpr struct {
    char name[3];
    std::uint32_t bits;
  } kNames[] = {{"GA", kGenericAll},  {"GR", 0x80000000},  {"GW", kGenericWrite},
                {"GX", 0x20000000},   {"RC", 0x20000},     {"SD", kDelete},
                {"WD", kWriteDac},    {"WO", kWriteOwner}, {"FA", kFileAll},
                {"FR", 0x120089},     {"FW", kFileWrite},  {"FX", 0x1200A0},
                {"CC", 0x1},          {"DC", kAddFile},    {"LC", kAddSubfolder},
                {"SW", 0x8},          {"RP", kWriteEa},    {"WP", 0x20},
                {"DT", kDeleteChild}, {"LO", 0x80},        {"CR", kWriteAttributes}};
  if (text.size() % 2 != 0) return false;
  for (std::size_t at = 0; at < text.size(); at += 2) {
    const std::string_view name = text.substr(at, 2);
    bool known = false;
    for (const auto& entry : kNames)
      if (name == entry.name) {
        mask |= entry.bits;
        known = true;
      }
    if (!known) return false;
  }
  return true;
}

// "(A;OICI;FA;;;SY)" split at its semicolons.
bool Fields(std::string_view ace, std::string_view (&fields)[6]) {
  for (std::size_t i = 0; i < 6; ++i) {
    const std::size_t semicolon = ace.find(';');
    if ((semicolon == std::string_view::npos) != (i == 5)) return false;
    fields[i] = ace.substr(0, semicolon);
    ace.remove_prefix(i == 5 ? ace.size() : semicolon + 1);
  }
  return true;
}

bool HasFlag(std::string_view flags, std::string_view flag) {
  for (std::size_t at = 0; at + 1 < flags.size(); at += 2)
    if (flags.substr(at, 2) == flag) return true;
  return false;
}

// The sections "O:", "G:", "D:", "S:" in order; a list's section runs to the end of its
// last entry. False for text not made of such sections.
bool Sections(std::string_view sddl, std::string_view& owner, std::string_view& list) {
  while (!sddl.empty()) {
    if (sddl.size() < 2 || sddl[1] != ':') return false;
    const char tag = sddl[0];
    sddl.remove_prefix(2);
    std::size_t end = 0;
    if (tag == 'O' || tag == 'G') {
      while (end < sddl.size() && sddl[end] != ':') ++end;
      if (end < sddl.size()) --end;  // the next section's letter
    } else if (tag == 'D' || tag == 'S') {
      end = sddl.find('(');
      if (end == std::string_view::npos) end = sddl.size();  // flags alone
      while (end < sddl.size() && sddl[end] == '(') {
        const std::size_t close = sddl.find(')', end);
        if (close == std::string_view::npos) return false;
        end = close + 1;
      }
    } else {
      return false;
    }
    if (tag == 'O') owner = sddl.substr(0, end);
    if (tag == 'D') list = sddl.substr(0, end);
    sddl.remove_prefix(end);
  }
  return true;
}

}  // namespace

FolderRights JudgeFolderRights(std::string_view sddl, bool installationFolder) {
  std::string_view owner, list;
  if (!Sections(sddl, owner, list) || owner.empty()) return FolderRights::kNotUnderstood;
  if (!Trusted(owner)) return FolderRights::kForeignOwner;
  const std::size_t first = list.find('(');
  // No list at all lets everyone do everything.
  if (first == std::string_view::npos || list.find("NO_ACCESS_CONTROL") != std::string_view::npos)
    return FolderRights::kNotUnderstood;
  list.remove_prefix(first);
  while (!list.empty()) {
    const std::size_t close = list.find(')');
    if (list.front() != '(' || close == std::string_view::npos) return FolderRights::kNotUnderstood;
    std::string_view fields[6];
    if (!Fields(list.substr(1, close - 1), fields)) return FolderRights::kNotUnderstood;
    list.remove_prefix(close + 1);
    const std::string_view type = fields[0], flags = fields[1], sid = fields[5];
    std::uint32_t mask = 0;
    if (type == "D") continue;
    if (type != "A" || !Rights(fields[2], mask)) return FolderRights::kNotUnderstood;
    if (Trusted(sid)) continue;
    const bool inheritOnly = HasFlag(flags, "IO");
    // What is made inside belongs to its maker: the installer, an administrator.
    if (inheritOnly && (sid == "CO" || sid == "S-1-3-0")) continue;
    // A level above passes its entries on to levels it holds, which are judged each.
    if (inheritOnly && !installationFolder) continue;
    if ((mask & kGenericAll) != 0) mask |= kFileAll;
    if ((mask & kGenericWrite) != 0) mask |= kFileWrite;
    if ((mask & (installationFolder ? kChangesContents : kChangesFolder)) != 0)
      return FolderRights::kOthersMayChange;
  }
  return FolderRights::kSafe;
}

FolderRepair PlanFolderRepair(const std::vector<LevelFacts>& levels, unsigned madeLevels) {
  FolderRepair repair;
  // The root is never made by Setup, whatever the record says.
  const std::size_t made =
      std::min<std::size_t>(madeLevels, levels.empty() ? 0 : levels.size() - 1);
  const std::size_t firstMade = levels.size() - made;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const LevelFacts& level = levels[i];
    if (level.rights == FolderRights::kSafe) continue;
    const bool installationFolder = i + 1 == levels.size();
    if (i < firstMade || level.rights != FolderRights::kOthersMayChange ||
        !(installationFolder || level.holdsOnlyNext))
      return {true, i, {}};
    repair.protect.push_back(i);
  }
  return repair;
}

std::vector<std::string> FolderLevels(std::string_view directory) {
  std::vector<std::string> levels;
  std::size_t root = 0;
  if (directory.size() >= 3 && directory[1] == ':' && directory[2] == '\\') {
    root = 3;
  } else if (directory.starts_with("\\\\")) {
    const std::size_t server = directory.find('\\', 2);
    const std::size_t share = server == std::string_view::npos || server == 2
                                  ? std::string_view::npos
                                  : directory.find('\\', server + 1);
    if (share == std::string_view::npos || share == server + 1) return levels;
    root = share + 1;
  } else {
    return levels;
  }
  levels.emplace_back(directory.substr(0, root));
  for (std::size_t at = root; at < directory.size();) {
    std::size_t end = directory.find('\\', at);
    if (end == std::string_view::npos) end = directory.size();
    if (end > at) levels.emplace_back(directory.substr(0, end));
    at = end + 1;
  }
  return levels;
}

}  // namespace installation
