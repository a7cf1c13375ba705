// The mksetup command line:
//   mksetup archive <manifest> <outdir> [--payload DIR]
//   mksetup setup <manifest> --stub <SetupStub.exe> -o <Setup.exe> [--payload DIR]
//                 [--sign <cert.p12> [--password-file F | --password-env V] [--timestamp URL]]
//   mksetup list <segment files 1..3 | Setup.exe>
//   mksetup verify <segment files 1..3 | Setup.exe> [--ca <cert.pem>]
//   mksetup --help | -h | --version
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mksetup {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// `args` without the program name. `showProgress` draws a percentage line on `err`.
int RunMksetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool showProgress = false);

}  // namespace mksetup
