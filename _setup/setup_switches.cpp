#include "setup_switches.h"

#include "s_logging.h"

namespace setup {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool HasPrefix(std::string_view word, std::string_view prefix) {
  return word.size() >= prefix.size() && SameText(word.substr(0, prefix.size()), prefix);
}

// The next word: up to a blank outside double quotes.
std::string_view NextWord(std::string_view tail, std::size_t& at) {
  while (at < tail.size() && IsBlank(tail[at])) ++at;
  const std::size_t start = at;
  bool quoted = false;
  for (; at < tail.size() && (quoted || !IsBlank(tail[at])); ++at)
    if (tail[at] == '"') quoted = !quoted;
  return tail.substr(start, at - start);
}

// A switch's value: the whole of it in double quotes, or a text without quotes.
std::optional<std::string> Value(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  if (text.empty() || text.find('"') != std::string_view::npos) return std::nullopt;
  return std::string(text);
}

// The words a switch line may hold; each slot at most once.
enum Slot { kMode, kDirectory, kScope, kLanguage, kLog, kDebug, kDesktop, kSlots };

class Reader {
 public:
  explicit Reader(SetupSwitches& out) : out_(out) {}

  // False when the word is no switch of the table.
  bool Take(std::string_view word, std::string_view restOfLine) {
    if (SameText(word, "/S") || SameText(word, "/VERYSILENT"))
      return Fill(kMode, word, [&] { out_.mode = RunMode::VerySilent; });
    if (SameText(word, "/SILENT")) return Fill(kMode, word, [&] { out_.mode = RunMode::Silent; });
    if (SameText(word, "/ALLUSERS")) return Fill(kScope, word, [&] { out_.allUsers = true; });
    if (SameText(word, "/CURRENTUSER")) return Fill(kScope, word, [&] { out_.allUsers = false; });
    if (SameText(word, "/NODESKTOPICON"))
      return Fill(kDesktop, word, [&] { out_.noDesktopIcon = true; });
    if (SameText(word, "-debug")) return Fill(kDebug, word, [&] { out_.log = true; });
    if (SameText(word, "/LOG")) return Fill(kLog, word, [&] { out_.log = true; });
    if (HasPrefix(word, "/LOG=")) {
      const std::optional<std::string> file = Value(word.substr(5));
      const bool fits = file && file->size() < CLog::kFileNameSize;
      return Fill(
          kLog, word,
          [&] {
            out_.log = true;
            out_.logFile = *file;
          },
          fits);
    }
    if (HasPrefix(word, "/LANG=")) {
      const std::string_view code = word.substr(6);
      const bool known = SameText(code, "de") || SameText(code, "en");
      return Fill(
          kLanguage, word, [&] { out_.language = SameText(code, "de") ? 0u : 1u; }, known);
    }
    if (HasPrefix(word, "/DIR=")) {
      const std::optional<std::string> directory = Value(word.substr(5));
      return Fill(
          kDirectory, word, [&] { out_.directory = *directory; }, directory.has_value());
    }
    if (HasPrefix(word, "/D=")) {
      // The rest of the line, blanks and all; the blanks that end the line go.
      std::string_view directory = restOfLine.substr(3);
      while (!directory.empty() && IsBlank(directory.back())) directory.remove_suffix(1);
      return Fill(
          kDirectory, word, [&] { out_.directory = std::string(directory); }, !directory.empty());
    }
    return false;
  }

  void Unknown(std::string_view word) { Malformed(word); }

 private:
  template <class Apply>
  bool Fill(Slot slot, std::string_view word, Apply apply, bool valid = true) {
    // "-debug" alone is the log switch of every line, not a switch line of its own.
    if (slot != kDebug) out_.any = true;
    if (!valid || seen_[slot]) {
      Malformed(word);
    } else {
      seen_[slot] = true;
      apply();
    }
    return true;
  }
  void Malformed(std::string_view word) {
    if (!out_.malformed) out_.problem = word;
    out_.malformed = true;
  }

  SetupSwitches& out_;
  bool seen_[kSlots] = {};
};

}  // namespace

SetupSwitches ParseSetupSwitches(std::string_view tail) {
  SetupSwitches out;
  Reader reader(out);
  std::size_t at = 0;
  while (true) {
    std::size_t start = at;
    while (start < tail.size() && IsBlank(tail[start])) ++start;
    const std::string_view word = NextWord(tail, at);
    if (word.empty()) break;
    const bool restTaken = HasPrefix(word, "/D=");
    if (!reader.Take(word, tail.substr(start))) reader.Unknown(word);
    if (restTaken) break;
  }
  // Words that are no switch mean nothing in a line without switches, as before.
  if (!out.any) return SetupSwitches{};
  return out;
}

}  // namespace setup
