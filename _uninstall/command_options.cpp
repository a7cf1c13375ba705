#include "command_options.h"

#include <charconv>
#include <vector>

namespace uninstall {
namespace {

bool SameSwitch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// Blank-separated words; a quoted word may hold blanks (paths never hold quotes).
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    std::string word;
    bool quoted = false;
    for (; i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t')); ++i) {
      if (text[i] == '"')
        quoted = !quoted;
      else
        word += text[i];
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace

bool ParseCommandOptions(std::string_view tail, CommandOptions& options) {
  options = {};
  const std::vector<std::string> words = Words(tail);
  std::size_t i = 0;
  if (!words.empty() && SameSwitch(words[0], "/run")) {
    if (words.size() < 3) return false;
    const std::string& handle = words[1];
    const auto [end, error] =
        std::from_chars(handle.data(), handle.data() + handle.size(), options.originalProcess);
    if (error != std::errc{} || end != handle.data() + handle.size() || words[2].empty())
      return false;
    options.isCopy = true;
    options.installDir = words[2];
    i = 3;
  }
  for (; i < words.size(); ++i) {
    if (SameSwitch(words[i], "/S"))
      options.silent = true;
    else if (SameSwitch(words[i], "-debug"))
      options.debug = true;
    else
      return false;
  }
  return true;
}

std::string CopyCommandTail(const CommandOptions& original, std::uint64_t processHandle,
                            const std::string& installDir) {
  std::string tail = "/run " + std::to_string(processHandle) + " \"" + installDir + "\"";
  if (original.silent) tail += " /S";
  if (original.debug) tail += " -debug";
  return tail;
}

}  // namespace uninstall
