// A small INI reader for the manifest: [Section] headers, Key=Value lines, comments
// starting with ; or #. Names compare without letter case, as Windows INI files do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mksetup {

struct IniEntry {
  std::string key;
  std::string value;  // blanks around it removed; one pair of enclosing quotes too
  int line = 0;
};

struct IniSection {
  std::string name;
  int line = 0;
  std::vector<IniEntry> entries;
};

// False with `problem` (naming the line) on a line that is neither a section, an
// entry, a comment nor blank, or on an entry ahead of the first section. A UTF-8 BOM
// and CR LF line ends are accepted.
bool ParseIni(std::string_view text, std::vector<IniSection>& sections, std::string& problem);

bool SameName(std::string_view a, std::string_view b);

// Splits text into lines: a leading BOM dropped, CR LF or LF ends, no empty last line
// for a final line end.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace mksetup
