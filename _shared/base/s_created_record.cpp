#include "s_created_record.h"

#include <algorithm>
#include <charconv>

#include "install_list.h"
#include "name_rule.h"

namespace created {
namespace {

// A whole line's number, at most as many levels as a path of 255 characters holds.
bool ReadLevels(std::string_view text, unsigned& levels) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), levels);
  return error == std::errc{} && end == text.data() + text.size() && !text.empty() && levels <= 128;
}

}  // namespace

bool SafeLevel(std::string_view level) {
  return installation::ComponentProblem(level) == nullptr;
}

bool SplitGroup(std::string_view group, std::vector<std::string>& levels) {
  levels.clear();
  while (true) {
    const std::size_t end = std::min(group.find('\\'), group.size());
    if (!SafeLevel(group.substr(0, end))) return false;
    levels.emplace_back(group.substr(0, end));
    if (end == group.size()) return true;
    group.remove_prefix(end + 1);
  }
}

std::string WriteCreatedRecord(const CreatedRecord& record) {
  std::string text;
  if (record.installLevels > 0) text += "I " + std::to_string(record.installLevels) + "\r\n";
  for (const std::string& folder : record.folders) text += "D " + folder + "\r\n";
  if (record.groupLevels > 0) text += "G " + std::to_string(record.groupLevels) + "\r\n";
  return text;
}

bool ReadCreatedRecord(std::string_view text, CreatedRecord& record) {
  record = {};
  CreatedRecord read;
  while (!text.empty()) {
    const std::string_view line = installation::NextListLine(text);
    if (line.empty()) continue;
    if (line.size() < 3 || line[1] != ' ') return false;
    const std::string_view value = line.substr(2);
    std::vector<std::string> levels;
    if (line[0] == 'I' && ReadLevels(value, read.installLevels)) continue;
    if (line[0] == 'G' && ReadLevels(value, read.groupLevels)) continue;
    if (line[0] != 'D' || !SplitGroup(value, levels)) return false;
    read.folders.emplace_back(value);
  }
  record = std::move(read);
  return true;
}

}  // namespace created
