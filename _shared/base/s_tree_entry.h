// One name found below a folder, as the tree walker lists it and the removal plan
// reads it. Portable: no windows.h.
#pragma once

#include <string>

namespace tree {

struct TreeEntry {
  std::string name;  // relative, "\" between folders
  bool directory = false;
};

}  // namespace tree
