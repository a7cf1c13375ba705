#include "ini_file.h"

namespace mksetup {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::vector<std::string> SplitLines(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool ParseIni(std::string_view text, std::vector<IniSection>& sections, std::string& problem) {
  sections.clear();
  int number = 0;
  for (const std::string& raw : SplitLines(text)) {
    ++number;
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        problem = where + "a section header must look like [Name]";
        return false;
      }
      sections.push_back({std::string(Trim(line.substr(1, line.size() - 2))), number, {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || Trim(line.substr(0, equals)).empty()) {
      problem = where + "expected Key=Value, a [Section] or a comment";
      return false;
    }
    if (sections.empty()) {
      problem = where + "an entry before the first [Section]";
      return false;
    }
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    sections.back().entries.push_back(
        {std::string(Trim(line.substr(0, equals))), std::string(value), number});
  }
  return true;
}

}  // namespace mksetup
