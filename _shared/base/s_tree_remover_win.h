// Removes files and folders below one base folder (the installation folder) without
// ever going through a link below it: every folder on the way is opened without
// following a reparse point and kept open without delete sharing while the work
// below it is done, so that none can be swapped for a junction meanwhile; the last
// component is opened as itself, so a link in a file's place is removed as a link, its
// target untouched, and a link in a folder's place is left and reported. Everything
// that deletes below an installation folder goes through it: the uninstaller's removal
// and the apply journal's staging folder.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "s_handle_win.h"
#include "s_tree_entry.h"

namespace tree {

enum class Outcome { Removed, Gone, NotEmpty, Failed };
// Windows' error for a link, or a file, where one of the product's folders belongs.
inline constexpr DWORD kLinkInTheWay = ERROR_CANT_ACCESS_FILE;
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

  // `relative` uses "\" between levels and is not empty. A link in a file's place is
  // removed as a link.
  Result RemoveFile(const std::string& relative);
  // An empty folder; a link in its place fails with kLinkInTheWay, left as it is.
  Result RemoveFolder(const std::string& relative);
  // Everything in `relative` ("" for the base), folders before their contents; a link
  // is listed, never entered. False with Windows' error when a folder cannot be read.
  bool List(const std::string& relative, std::vector<TreeEntry>& out, DWORD& error);
  // `relative` and everything in it, for a folder that is the product's own: a link
  // or a file in its place is left as it is and fails with kLinkInTheWay, so nothing
  // it leads to is touched. Gone when it is not there.
  Result RemoveTree(const std::string& relative);
  // Lets go of every folder kept open, so that they can be removed themselves.
  void Unpin();

 private:
  enum class Pinned { Yes, Gone, Link, Failed };
  Pinned Pin(const std::string& folder, DWORD& error);
  Result Dispose(const std::string& relative, bool folder);

  std::string base_;
  std::vector<std::pair<std::string, handles::Handle>> pinned_;  // base first, then each level
};

}  // namespace tree
