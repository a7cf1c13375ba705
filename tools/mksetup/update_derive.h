// An Update derived from two full releases: what the installed release (old) lacks
// or has otherwise goes in, what the new one no longer has becomes the obsolete list,
// and everything else the new release says (texts, readmes, program, links, its
// uninstall list) comes from the new one. Portable: the byte comparison is handed in.
#pragma once

#include <functional>
#include <string>

#include "archive_writer.h"

namespace mksetup {

struct DeriveSide {
  std::string label;  // the manifest's name, for messages
  const archive::ArchiveDescription* release = nullptr;
};

// True when both files hold the same bytes (their sizes are already equal).
using SameBytes = std::function<bool(const archive::WriterFile&, const archive::WriterFile&)>;

// False with `error` naming the problem: a release that is not Full, the new version
// not above the old one, different products (install folders), a file that becomes a
// folder or the reverse, two names that differ only in letter case.
bool DeriveUpdate(const DeriveSide& old, const DeriveSide& next, const SameBytes& sameBytes,
                  archive::ArchiveDescription& update, std::string& error);

}  // namespace mksetup
