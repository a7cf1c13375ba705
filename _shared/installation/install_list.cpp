#include "install_list.h"

#include <algorithm>
#include <charconv>

#include "name_rule.h"

namespace installation {

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
         SameName(file.substr(file.size() - 4), ".lst") && !SameName(name, kCreatedRecordName);
}

bool SafeRelativeName(std::string_view name, std::string& normalized) {
  if (RelativeNameProblem(name, "\\/") != nullptr) return false;
  normalized.assign(name);
  std::replace(normalized.begin(), normalized.end(), '/', '\\');
  return true;
}

std::string_view NextListLine(std::string_view& text) {
  const std::size_t end = std::min(text.find('\n'), text.size());
  std::string_view line = text.substr(0, end);
  text.remove_prefix(std::min(end + 1, text.size()));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

int ReadInstallList(std::string_view text, InstallList& into) {
  int refused = 0;
  while (!text.empty()) {
    const std::string_view line = NextListLine(text);
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

std::string InstallListText(const InstallList& list) {
  std::string text;
  auto line = [&text](const char* tag, std::string value) {
    std::replace(value.begin(), value.end(), '/', '\\');
    text += tag;
    text += ' ';
    text += value;
    text += "\r\n";
  };
  for (const std::string& directory : list.directories) line("D", directory);
  for (const std::string& file : list.files) line("F", file);
  for (const std::string& link : list.desktopLinks) line("L", link);
  for (const std::uint32_t id : list.shortcutIds) line("S", std::to_string(id));
  for (const std::string& link : list.readmeLinks[0]) line("R0", link);
  for (const std::string& link : list.readmeLinks[1]) line("R1", link);
  return text;
}

}  // namespace installation
