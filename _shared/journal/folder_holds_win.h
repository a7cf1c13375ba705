// The folders below an installation that an apply or a replay moves files into or out
// of, held open without delete sharing until it ends, so that none can be renamed away
// and replaced by a link to somewhere else between a check and a move. A level that
// already is a link (or a junction) stops the operation before it acts: what the player
// can plant below the installation folder never leads the journal outside it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "s_handle_win.h"

namespace journal {

class FolderHolds {
 public:
  explicit FolderHolds(std::string dir) : dir_(std::move(dir)) {}
  // Holds each level from the installation folder down to the folder `name` ("data\x.dat")
  // is in; levels not there yet are left to the apply, which makes them. Empty when all
  // held, else the first level that is a link or cannot be held, relative to the folder.
  std::string Hold(const std::string& name);
  // Lets go of `level` and every level held below it, for an operation that removes them.
  void Release(const std::string& level);

 private:
  std::string dir_;
  std::vector<std::string> held_;  // relative, as the plan spells them
  std::vector<handles::Handle> handles_;
};

}  // namespace journal
