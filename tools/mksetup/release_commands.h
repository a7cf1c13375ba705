// The commands from one release to the next, beside the archive's own:
//   mksetup update OLD.ini NEW.ini --stub S -o Update.exe [--old-payload D] [--new-payload D]
//                  [--sign <cert.p12> [--password-file F | --password-env V] [--timestamp URL]]
//   mksetup keygen NAME                      NAME.key (private) and NAME.pub
//   mksetup publish NEW.ini --feed DIR --key NAME.key [--payload D] [--updates-from V]
//                   [--valid-days N] [--mirror URL]... [--servers F]
//                   [--patchnotes-german F] [--patchnotes-english F] [--sign ...]
//   mksetup feed refresh DIR --key NAME.key [--valid-days N] [--mirror URL]...
//   mksetup feed rotate DIR --key OLD.key --new-key NEW.key [--valid-days N]
//   mksetup feed verify DIR --pubkey NAME.pub
//   mksetup feed status DIR [--warn-days N]   exit 1 within N days of the index's expiry
//   mksetup feed prune DIR --key NAME.key --keep N   the newest N releases stay
//   mksetup list DIR                         a feed folder's releases
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mksetup {

extern const char kReleaseUsage[];
// The whole usage, every command's lines after its first, "usage: ...".
void WriteUsage(std::ostream& out);

// True when `args` is one of these commands; `code` is then its exit code.
bool RunReleaseCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       int& code);

// keygen: a new key pair, the private file created for its owner only.
int GenerateKeyPair(const std::string& name, std::ostream& out, std::ostream& err);

}  // namespace mksetup
