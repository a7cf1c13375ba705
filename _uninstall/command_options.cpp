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

bool WholeNumber(const std::string& word, std::uint64_t& number) {
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
  return error == std::errc{} && end == word.data() + word.size() && !word.empty();
}

// A refused command line still says whether it asked for silence (then no box shows)
// and for the log.
bool Refuse(const std::vector<std::string>& words, CommandOptions& options) {
  options = {};
  for (const std::string& word : words) {
    options.silent = options.silent || SameSwitch(word, "/S");
    options.debug = options.debug || SameSwitch(word, "-debug");
  }
  return false;
}

}  // namespace

bool ParseCommandOptions(std::string_view tail, CommandOptions& options) {
  options = {};
  const std::vector<std::string> words = Words(tail);
  std::size_t i = 0;
  const bool copy = !words.empty() && SameSwitch(words[0], "/run");
  const bool finisher = !words.empty() && SameSwitch(words[0], "/finish");
  if (copy || finisher) {
    const std::size_t dirAt = copy ? 2 : 3;
    if (words.size() <= dirAt || words[dirAt].empty() ||
        !WholeNumber(words[1], options.originalProcess))
      return Refuse(words, options);
    std::uint64_t levels = 0;
    if (finisher && (!WholeNumber(words[2], levels) || levels > 128)) return Refuse(words, options);
    options.role = copy ? Role::Copy : Role::Finisher;
    options.levels = static_cast<unsigned>(levels);
    options.installDir = words[dirAt];
    i = dirAt + 1;
  }
  for (; i < words.size(); ++i) {
    if (SameSwitch(words[i], "/S") && !finisher)
      options.silent = true;
    else if (SameSwitch(words[i], "-debug"))
      options.debug = true;
    else if (SameSwitch(words[i], "/elevated") && !copy && !finisher)
      options.restarted = true;
    else
      return Refuse(words, options);
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

std::string FinisherCommandTail(const CommandOptions& copy, std::uint64_t processHandle,
                                unsigned levels) {
  std::string tail = "/finish " + std::to_string(processHandle) + " " + std::to_string(levels) +
                     " \"" + copy.installDir + "\"";
  if (copy.debug) tail += " -debug";
  return tail;
}

}  // namespace uninstall
