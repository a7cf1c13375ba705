#include "directory_rules.h"

namespace setup {
namespace {
std::string_view WithoutTrailingBackslash(std::string_view text) {
  if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return text;
}
}  // namespace

std::string FolderToOpen(std::string_view directory, std::string_view suffix) {
  std::string folder(directory);
  const std::size_t found = folder.find(suffix);
  if (found != std::string::npos) folder.erase(found, suffix.size());
  return folder;
}

std::string ProposedDirectory(std::string_view folder, std::string_view suffix) {
  std::string proposal(WithoutTrailingBackslash(folder));
  if (proposal.find(suffix) == std::string::npos) proposal += suffix;
  return proposal;
}

std::optional<std::string> ConfirmedDirectory(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return std::string(WithoutTrailingBackslash(text));
}

}  // namespace setup
