#include "winget_manifests.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive_walk.h"
#include "commands.h"
#include "file_sha256.h"
#include "identity_resource.h"
#include "manifest.h"
#include "product_identity.h"
#include "setup_exe.h"
#include "setup_exit_codes.h"
#include "text_encoding.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

constexpr char kManifestVersion[] = "1.28.0";
constexpr char kLocale[] = "en-US";
// The name Setup.exe gives the uninstall entry, and so the product code winget matches.
constexpr char kProductCode[] = "Tidemoor";
constexpr char kUsage[] =
    "usage: mksetup winget <Setup.exe> --id <Publisher.Package> --url <installer URL>\n"
    "               --license <text> --description <text> -o <folder>\n";

// What Setup.exe's exit codes mean to the package manager.
constexpr struct {
  int code;
  const char* response;
} kReturnCodes[] = {
    {setup::kExitInstallFailed, "contactSupport"},
    {setup::kExitLockHeld, "installInProgress"},
    {setup::kExitAlreadyInstalled, "alreadyInstalled"},
    {setup::kExitOtherDirectory, "alreadyInstalled"},
    {setup::kExitWrongVersion, "missingDependency"},
    {setup::kExitNotInstalled, "missingDependency"},
    {setup::kExitNeedsRights, "custom"},
    {setup::kExitCorrupted, "contactSupport"},
    {setup::kExitMalformedCommandLine, "invalidParameter"},
    {setup::kExitUnprotectedFolder, "custom"},
};

// A YAML scalar in single quotes: nothing in it is read as syntax.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

std::string Header(const char* type, const std::string& id, const std::string& version) {
  return std::string(
             "# Written by mksetup winget.\n# yaml-language-server: $schema=https://aka.ms/"
             "winget-manifest.") +
         type + "." + kManifestVersion + ".schema.json\n\nPackageIdentifier: " + Quoted(id) +
         "\nPackageVersion: " + Quoted(version) + "\n";
}

std::string Footer(const char* type) {
  return std::string("ManifestType: ") + type + "\nManifestVersion: " + kManifestVersion + "\n";
}

std::string Installer(const WingetRelease& r, const char* scope, const char* scopeSwitch,
                      bool elevation) {
  std::string text = "- Architecture: " + r.architecture + "\n  Scope: " + scope +
                     "\n  InstallerUrl: " + Quoted(r.installerUrl) +
                     "\n  InstallerSha256: " + Quoted(r.sha256) +
                     "\n  InstallerSwitches:\n"
                     "    Silent: /S\n"
                     "    SilentWithProgress: /SILENT\n"
                     "    InstallLocation: '/DIR=\"<INSTALLPATH>\"'\n"
                     "    Log: '/LOG=\"<LOGPATH>\"'\n"
                     "    Custom: " +
                     scopeSwitch + "\n";
  if (elevation) text += "  ElevationRequirement: elevationRequired\n";
  return text;
}

bool IsIdentifier(const std::string& id) {
  // 2 to 8 parts of 1 to 32 characters, joined by dots, none of these characters.
  static const std::string kBanned = " \t\\/:*?\"<>|";
  int parts = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = id.find('.', start);
    const std::string part = id.substr(start, dot == std::string::npos ? dot : dot - start);
    if (part.empty() || part.size() > 32) return false;
    for (const char c : part)
      if (static_cast<unsigned char>(c) < 0x20 || kBanned.find(c) != std::string::npos)
        return false;
    ++parts;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts >= 2 && parts <= 8 && id.size() <= 128;
}

bool IsHttpUrl(const std::string& url) {
  return (url.rfind("https://", 0) == 0 && url.size() > 8) ||
         (url.rfind("http://", 0) == 0 && url.size() > 7);
}

std::string Architecture(const std::vector<std::uint8_t>& image) {
  if (image.size() < 0x40) return {};
  const std::uint32_t pe = image[0x3C] | image[0x3D] << 8 | image[0x3E] << 16 |
                           static_cast<std::uint32_t>(image[0x3F]) << 24;
  if (pe > image.size() - 6) return {};
  switch (image[pe + 4] | image[pe + 5] << 8) {
    case 0x8664:
      return "x64";
    case 0x014C:
      return "x86";
    case 0xAA64:
      return "arm64";
    default:
      return {};
  }
}

// The release's facts from the installer itself: a full archive, its version, its
// publisher and address, what it runs on.
bool ReadInstaller(const fs::path& file, WingetRelease& r, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  const std::string name = PathText(file);
  if (!in.good() && !in.eof()) {
    error = name + ": cannot be read";
    return false;
  }
  std::array<std::vector<std::uint8_t>, archive::kMaxSegments> segments;
  int count = 0;
  archive::SetupHeader header;
  archive::ProductIdentity identity;
  if (!LooksLikeExecutable(image) || !ReadSetupExeSegments(image, segments, count, error) ||
      segments[0].size() < archive::kSegmentChecksumSize ||
      !archive::ReadHeader(
          {segments[0].data() + archive::kSegmentChecksumSize,
           static_cast<std::uint32_t>(segments[0].size() - archive::kSegmentChecksumSize)},
          header)) {
    error = name + ": not a Setup.exe" + (error.empty() ? "" : " (" + error + ")");
    return false;
  }
  if (header.kind != static_cast<std::uint32_t>(archive::SetupKind::Full)) {
    error = name + ": an update; the package manager installs full releases";
    return false;
  }
  if (!ReadIdentityResource(image, identity, error)) {
    error = name + ": " + error;
    return false;
  }
  if (identity.publisher.size() < 2) {
    error = name + ": built without [Setup] Publisher, which the package manager requires";
    return false;
  }
  r.architecture = Architecture(image);
  if (r.architecture.empty()) {
    error = name + ": for a machine the package manager does not know";
    return false;
  }
  r.version = archive::DisplayVersionText(header.packageVersionMS, header.packageVersionLS);
  r.publisher = Windows1252ToUtf8(identity.publisher);
  r.publisherUrl = identity.urlInfoAbout;
  return FileSha256(file, r.sha256, error);
}

}  // namespace

std::vector<WingetFile> WingetManifests(const WingetRelease& r) {
  std::string version =
      Header("version", r.id, r.version) + "DefaultLocale: " + kLocale + "\n" + Footer("version");

  std::string installer = Header("installer", r.id, r.version) +
                          "InstallerType: exe\n"
                          "InstallModes:\n- interactive\n- silent\n- silentWithProgress\n"
                          "ExpectedReturnCodes:\n";
  for (const auto& [code, response] : kReturnCodes)
    installer +=
        "- InstallerReturnCode: " + std::to_string(code) + "\n  ReturnResponse: " + response + "\n";
  // A full release refuses to run over an installation; the uninstaller keeps savegames.
  installer += "UpgradeBehavior: uninstallPrevious\nProductCode: " + std::string(kProductCode) +
               "\nAppsAndFeaturesEntries:\n- DisplayName: " + kProductCode +
               "\n  Publisher: " + Quoted(r.publisher) +
               "\n  DisplayVersion: " + Quoted(r.version) + "\n  ProductCode: " + kProductCode +
               "\nInstallers:\n" + Installer(r, "user", "/CURRENTUSER", false) +
               Installer(r, "machine", "/ALLUSERS", true) + Footer("installer");

  std::string locale = Header("defaultLocale", r.id, r.version) + "PackageLocale: " + kLocale +
                       "\nPublisher: " + Quoted(r.publisher) + "\n";
  if (!r.publisherUrl.empty()) locale += "PublisherUrl: " + Quoted(r.publisherUrl) + "\n";
  locale += "PackageName: " + std::string(kProductCode) + "\nLicense: " + Quoted(r.license) +
            "\nShortDescription: " + Quoted(r.description) + "\n" + Footer("defaultLocale");

  return {{r.id + ".yaml", version},
          {r.id + ".installer.yaml", installer},
          {r.id + ".locale." + kLocale + ".yaml", locale}};
}

int RunWinget(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  WingetRelease r;
  std::string setupExe, folder;
  const std::pair<const char*, std::string*> options[] = {{"--id", &r.id},
                                                          {"--url", &r.installerUrl},
                                                          {"--license", &r.license},
                                                          {"--description", &r.description},
                                                          {"-o", &folder}};
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string* target = nullptr;
    for (const auto& [name, value] : options)
      if (args[i] == name) target = value;
    if (target == nullptr && setupExe.empty() && !args[i].starts_with("-")) {
      setupExe = args[i];
      continue;
    }
    if (target == nullptr || i + 1 == args.size() || !target->empty() || args[i + 1].empty()) {
      err << "mksetup: " << args[i]
          << (target == nullptr ? " is not understood\n" : " needs one value\n") << kUsage;
      return kExitUsage;
    }
    *target = args[++i];
  }
  for (const auto& [name, value] : options)
    if (value->empty()) {
      err << "mksetup: " << name << " is missing\n" << kUsage;
      return kExitUsage;
    }
  std::string error;
  if (setupExe.empty())
    error = "no Setup.exe named";
  else if (!IsIdentifier(r.id))
    error = "--id " + r.id + ": not an identifier like Publisher.Package";
  else if (!IsHttpUrl(r.installerUrl))
    error = "--url " + r.installerUrl + ": not an http:// or https:// address";
  else if (r.license.size() < 3 || r.description.size() < 3)
    error = "--license and --description need three characters at least";
  if (!error.empty() || !ReadInstaller(setupExe, r, error)) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  std::error_code code;
  fs::create_directories(folder, code);
  for (const WingetFile& file : WingetManifests(r)) {
    const fs::path path = fs::path(folder) / file.name;
    std::ofstream stream(path, std::ios::binary);
    stream << file.text;
    if (!stream.flush()) {
      err << "mksetup: " << PathText(path) << ": cannot be written\n";
      return kExitFailed;
    }
    out << "wrote " << PathText(path) << "\n";
  }
  return kExitOk;
}

}  // namespace mksetup
