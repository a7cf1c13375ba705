#include "name_rules.h"

namespace mksetup {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

}  // namespace

const char* RelativeNameProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.front() == '/') return "is absolute";
  if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':') return "holds a drive letter";
  if (name.find('\\') != std::string_view::npos) return "holds a backslash; use / between folders";
  return installation::RelativeNameProblem(name, "/");
}

const char* LinkNameProblem(std::string_view name) {
  if (const char* why = ComponentProblem(name)) return why;
  if (name.size() <= 4 || !SameIgnoringCase(name.substr(name.size() - 4), ".lnk"))
    return "does not end in .lnk";
  return nullptr;
}

const char* InstallFolderProblem(std::string_view suffix) {
  if (suffix.empty() || suffix.front() != '\\')
    return "must begin with a backslash, as in \\Tidemoor";
  return installation::RelativeNameProblem(suffix.substr(1), "\\");
}

const char* StartMenuGroupProblem(std::string_view group) {
  if (group.empty()) return "is empty";
  if (group.front() == '\\') return "must not begin with a backslash";
  return installation::RelativeNameProblem(group, "\\");
}

}  // namespace mksetup
