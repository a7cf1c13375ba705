// The directory dialog's rules for its text: where the folder list opens, what a
// chosen folder proposes, and what OK hands to the wizard. `suffix` is the archive's
// product folder ("\Tidemoor"), matched exactly, letter case included.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace setup {

// The directory without the first occurrence of the suffix.
std::string FolderToOpen(std::string_view directory, std::string_view suffix);

// The open folder without one trailing backslash, followed by the suffix unless the
// folder already holds it somewhere.
std::string ProposedDirectory(std::string_view folder, std::string_view suffix);

// The text without one trailing backslash; none for an empty text, whose character
// test is the class library's range error.
std::optional<std::string> ConfirmedDirectory(std::string_view text);

}  // namespace setup
