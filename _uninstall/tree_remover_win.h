// Removes files and folders below one base folder (the installation folder) without
// ever going through a link below it: every folder on the way is opened without
// following a reparse point and kept open without delete sharing while the work
// below it is done, so that none can be swapped for a junction meanwhile; the last
// component is opened as itself, so a link is removed as a link, its target untouched.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "removal_plan.h"

namespace uninstall {

enum class Outcome { Removed, Gone, NotEmpty, Failed };
struct Result {
  Outcome outcome = Outcome::Removed;
  DWORD error = ERROR_SUCCESS;  // Windows' error number for Failed
};

class TreeRemover {
 public:
  explicit TreeRemover(std::string base) : base_(std::move(base)) {}
  ~TreeRemover() { Unpin(); }
  TreeRemover(const TreeRemover&) = delete;
  TreeRemover& operator=(const TreeRemover&) = delete;

  // `relative` uses "\" between levels and is not empty.
  Result RemoveFile(const std::string& relative);
  // An empty folder, or a link in a folder's place.
  Result RemoveFolder(const std::string& relative);
  // Everything in `relative` ("" for the base), folders before their contents; a link
  // is listed, never entered. False with Windows' error when a folder cannot be read.
  bool List(const std::string& relative, std::vector<TreeEntry>& out, DWORD& error);
  // Lets go of every folder kept open, so that they can be removed themselves.
  void Unpin();

 private:
  enum class Pinned { Yes, Gone, Failed };
  Pinned Pin(const std::string& folder, DWORD& error);
  Result Dispose(const std::string& relative, bool folder);

  std::string base_;
  std::vector<std::pair<std::string, HANDLE>> pinned_;  // base first, then each level
};

}  // namespace uninstall
