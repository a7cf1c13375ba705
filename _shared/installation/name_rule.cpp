#include "name_rule.h"

#include <array>
#include <cstdint>

namespace installation {
namespace {

char Folded(char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  if (byte == 0x9A || byte == 0x9C || byte == 0x9E) return static_cast<char>(byte - 0x10);
  if (byte == 0xFF) return static_cast<char>(0x9F);
  return c;
}

bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

bool IsDeviceName(std::string_view name) {
  // Windows takes "CON.txt" and "CON .txt" for the device too: only the part before the
  // first dot counts, without the blanks that end it.
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view device : kPlain)
    if (SameFolded(stem, device)) return true;
  // COM1 to COM9 and LPT1 to LPT9, and with a superscript 1, 2 or 3, which Windows
  // takes for the same digits.
  const auto digit = stem.size() == 4 ? static_cast<std::uint8_t>(stem[3]) : 0;
  return ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3) &&
         (SameFolded(stem.substr(0, 3), "COM") || SameFolded(stem.substr(0, 3), "LPT"));
}

}  // namespace

const char* ComponentProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  for (char c : name) {
    if (static_cast<std::uint8_t>(c) < 0x20) return "holds a control character";
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return "holds a character Windows forbids in file names (<>:\"/\\|?*)";
  }
  if (name.back() == '.' || name.back() == ' ') return "ends in a dot or blank";
  if (IsDeviceName(name)) return "is a reserved device name";
  return nullptr;
}

const char* RelativeNameProblem(std::string_view name, std::string_view separators) {
  if (name.empty()) return "is empty";
  if (name.front() == '/' || name.front() == '\\') return "is absolute";
  if (name.size() >= 2 && name[1] == ':') return "holds a drive letter";
  for (std::size_t start = 0;;) {
    const std::size_t end = name.find_first_of(separators, start);
    const std::string_view part = name.substr(start, end - start);
    if (part.empty()) return "has an empty component";
    if (part == "..") return "holds a \"..\" component";
    if (part == ".") return "holds a \".\" component";
    if (const char* why = ComponentProblem(part)) return why;
    if (end == std::string_view::npos) return nullptr;
    start = end + 1;
  }
}

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = Folded(c);
  return folded;
}

bool SameName(std::string_view a, std::string_view b) {
  return SameFolded(a, b);
}

}  // namespace installation
