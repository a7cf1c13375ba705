#include "name_rules.h"

#include <array>
#include <cstdint>

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

bool IsDeviceName(std::string_view name) {
  // Windows treats "CON.txt" as the device too: only the part before the first dot counts.
  const std::string_view stem = name.substr(0, name.find('.'));
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view device : kPlain)
    if (SameIgnoringCase(stem, device)) return true;
  if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9' &&
      (SameIgnoringCase(stem.substr(0, 3), "COM") || SameIgnoringCase(stem.substr(0, 3), "LPT")))
    return true;
  return false;
}

// Splits at `separator` and checks every part; empty parts are refused.
const char* ComponentsProblem(std::string_view names, char separator) {
  for (std::size_t start = 0;;) {
    const std::size_t end = names.find(separator, start);
    const std::string_view part = names.substr(start, end - start);
    if (part.empty()) return "has an empty component";
    if (part == "..") return "holds a \"..\" component";
    if (part == ".") return "holds a \".\" component";
    if (const char* why = ComponentProblem(part)) return why;
    if (end == std::string_view::npos) return nullptr;
    start = end + 1;
  }
}

}  // namespace

const char* ComponentProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  for (char c : name) {
    if (static_cast<std::uint8_t>(c) < 0x20) return "holds a control character";
    switch (c) {
      case '<':
      case '>':
      case ':':
      case '"':
      case '/':
      case '\\':
      case '|':
      case '?':
      case '*':
        return "holds a character Windows forbids in file names (<>:\"/\\|?*)";
      default:
        break;
    }
  }
  if (name.back() == '.' || name.back() == ' ') return "ends in a dot or blank";
  if (IsDeviceName(name)) return "is a reserved device name";
  return nullptr;
}

const char* RelativeNameProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.front() == '/') return "is absolute";
  if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':') return "holds a drive letter";
  if (name.find('\\') != std::string_view::npos) return "holds a backslash; use / between folders";
  return ComponentsProblem(name, '/');
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
  return ComponentsProblem(suffix.substr(1), '\\');
}

const char* StartMenuGroupProblem(std::string_view group) {
  if (group.empty()) return "is empty";
  if (group.front() == '\\') return "must not begin with a backslash";
  return ComponentsProblem(group, '\\');
}

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte >= 'a' && byte <= 'z')
      c = static_cast<char>(byte - 0x20);
    else if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)  // Latin-1 lower-case letters
      c = static_cast<char>(byte - 0x20);
    else if (byte == 0x9A || byte == 0x9C || byte == 0x9E)  // š œ ž
      c = static_cast<char>(byte - 0x10);
    else if (byte == 0xFF)  // ÿ
      c = static_cast<char>(0x9F);
  }
  return folded;
}

}  // namespace mksetup
