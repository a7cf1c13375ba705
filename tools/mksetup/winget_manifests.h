// mksetup winget <Setup.exe> --id <Publisher.Package> --url <installer URL>
//                --license <text> --description <text> -o <folder>
// writes the three manifest files of Windows' package manager (version, installer,
// default locale) for a built full installer: its SHA-256, the silent switches and
// exit codes of Setup.exe, one installer per scope, and the Apps & features entry.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mksetup {

// What the manifests say, gathered from the command line and the installer.
struct WingetRelease {
  std::string id;            // PackageIdentifier
  std::string version;       // DisplayVersion of the package: "0.807.3"
  std::string publisher;     // UTF-8
  std::string publisherUrl;  // may be empty
  std::string license;
  std::string description;
  std::string installerUrl;
  std::string sha256;
  std::string architecture;  // x64, x86 or arm64
};

struct WingetFile {
  std::string name;  // "<id>.yaml", "<id>.installer.yaml", "<id>.locale.en-US.yaml"
  std::string text;
};

std::vector<WingetFile> WingetManifests(const WingetRelease& release);

// `args` as RunMksetup has them, "winget" first. Exit codes as the other commands'.
int RunWinget(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace mksetup
