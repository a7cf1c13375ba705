#include "updater_command.h"

#include <cctype>
#include <vector>

namespace updater {

namespace {

bool SameWord(const std::string& word, const char* expected) {
  std::size_t i = 0;
  for (; i < word.size() && expected[i] != '\0'; ++i)
    if (std::tolower(static_cast<unsigned char>(word[i])) !=
        std::tolower(static_cast<unsigned char>(expected[i])))
      return false;
  return i == word.size() && expected[i] == '\0';
}

// Blank-separated words; a quoted word keeps its blanks. False for an unclosed quote.
bool SplitWords(const char* tail, std::vector<std::string>& words) {
  const std::string line = tail != nullptr ? tail : "";
  std::size_t at = 0;
  while (at < line.size()) {
    if (line[at] == ' ' || line[at] == '\t') {
      ++at;
      continue;
    }
    std::string word;
    if (line[at] == '"') {
      const std::size_t close = line.find('"', at + 1);
      if (close == std::string::npos) return false;
      word = line.substr(at + 1, close - at - 1);
      at = close + 1;
    } else {
      const std::size_t end = line.find_first_of(" \t", at);
      word = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
      at = end == std::string::npos ? line.size() : end;
    }
    words.push_back(word);
  }
  return true;
}

}  // namespace

bool ParseUpdaterCommand(const char* tail, UpdaterCommand& command) {
  command = {};
  std::vector<std::string> words;
  if (!SplitWords(tail, words)) return false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    bool* flag = nullptr;
    if (SameWord(words[i], "/S"))
      flag = &command.silent;
    else if (SameWord(words[i], "-debug"))
      flag = &command.debug;
    else if (SameWord(words[i], "/apply"))
      flag = &command.apply;
    else if (SameWord(words[i], "/selfupdate"))
      flag = &command.selfUpdate;
    else if (SameWord(words[i], "/continue"))
      flag = &command.continued;
    if (flag == nullptr || *flag) return false;
    *flag = true;
    if (flag == &command.apply || flag == &command.selfUpdate) {
      if (command.apply && command.selfUpdate) return false;
      if (i + 1 >= words.size() || words[i + 1].empty()) return false;
      command.downloads = words[++i];
    }
  }
  return true;
}

std::string ApplyCommandTail(const UpdaterCommand& command) {
  std::string tail =
      std::string(command.selfUpdate ? "/selfupdate" : "/apply") + " \"" + command.downloads + "\"";
  if (command.silent) tail += " /S";
  if (command.debug) tail += " -debug";
  return tail;
}

}  // namespace updater
