// The start-menu links an apply makes once its files are in place, written into the
// staging folder before the journal starts, so that a roll forward after a kill makes
// exactly the links the finished apply would have made. Portable.
//
// Windows-1252 text, one entry a line:
//   scope user | scope all     whose programs folder holds the group
//   group <group>              relative to the programs folder, "\" between levels
//   link <name>|<target>       a link file name in the group, and the file it starts,
//                              relative to the installation directory
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace journal {

inline constexpr char kLinksName[] = "links";  // inside the staging folder

struct GroupLink {
  std::string name;
  std::string target;
  friend bool operator==(const GroupLink&, const GroupLink&) = default;
};

struct LinkPlan {
  bool allUsers = false;
  std::string group;
  std::vector<GroupLink> links;
  friend bool operator==(const LinkPlan&, const LinkPlan&) = default;
};

std::string LinkPlanText(const LinkPlan& plan);
// False for anything it did not write: a line it does not know, a scope or group given
// twice or not at all, a link name with a folder in it, a target outside the directory.
bool ReadLinkPlan(std::string_view text, LinkPlan& plan);

}  // namespace journal
