#include "release_description.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "client_version.h"
#include "embedded_programs.h"
#include "fixed_names.h"
#include "ini_file.h"
#include "name_rules.h"
#include "payload_scan.h"
#include "text_encoding.h"
#include "uninstall_entries.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;
using archive::kText256MaxLength;

class ReleaseDescriber {
 public:
  ReleaseDescriber(const Manifest& manifest, archive::ArchiveDescription& d, std::string& error)
      : m_(manifest), d_(d), error_(error) {}

  bool Run(const fs::path& payloadOverride) {
    d_ = archive::ArchiveDescription{};
    d_.kind = m_.kind;
    d_.packageVersionMS = m_.packageVersionMS;
    d_.packageVersionLS = m_.packageVersionLS;
    d_.requiredVersionMS = m_.requiredVersionMS;
    d_.requiredVersionLS = m_.requiredVersionLS;
    if (!Text(m_.title, d_.title) || !Text(m_.installFolder, d_.installDirSuffix) ||
        !Check(m_.installFolder, InstallFolderProblem(d_.installDirSuffix)) ||
        !Text(m_.startMenuGroup, d_.startMenuGroup) ||
        !Check(m_.startMenuGroup, StartMenuGroupProblem(d_.startMenuGroup)))
      return false;
    if (d_.title.empty()) return Fail(m_.title.where + ": the title is empty");
    for (std::uint32_t language = 0; language < archive::kLanguageCount; ++language)
      if (!Terms(m_.termsFile[language], d_.termsLines[language])) return false;
    if (!Payload(payloadOverride) || !Client()) return false;
    // Its targets may name uninstall.exe before AddUninstaller has added it.
    if (!m_.uninstaller.where.empty()) files_.insert(installation::kUninstallerName);
    if (!m_.updaterProgram.where.empty()) files_.insert(kUpdaterName);
    for (std::uint32_t language = 0; language < archive::kLanguageCount; ++language)
      if (!PayloadFileName(m_.readmeFile[language], d_.readmes[language].readmeFile) ||
          !LinkName(m_.readmeLink[language], d_.readmes[language].readmeLinkName))
        return false;
    if (!PayloadFileName(m_.programFile, d_.programFile) ||
        !LinkName(m_.desktopLink, d_.desktopLinkName))
      return false;
    for (const ShortcutSetting& shortcut : m_.shortcuts) {
      archive::WriterShortcut entry{{}, shortcut.linkNameId};
      if (!PayloadFileName(shortcut.target, entry.targetFile)) return false;
      d_.shortcuts.push_back(std::move(entry));
    }
    for (const Setting& obsolete : m_.obsoleteFiles) {
      std::string name;
      if (!Text(obsolete, name) || !Check(obsolete, RelativeNameProblem(name))) return false;
      d_.obsoleteFiles.push_back(std::move(name));
    }
    return AddUpdater(m_, d_, error_) && AddUninstaller(m_, d_, error_);
  }

 private:
  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }
  bool Check(const Setting& setting, const char* problem) {
    return problem == nullptr || Fail(setting.where + ": \"" + setting.value + "\" " + problem);
  }

  // UTF-8 to the archive's single-byte text, refused when it would not fit a field.
  bool Convert(const std::string& where, const std::string& utf8, std::string& out) {
    std::string problem;
    if (!Utf8ToWindows1252(utf8, out, problem)) return Fail(where + ": the text " + problem);
    if (out.size() > kText256MaxLength)
      return Fail(where + ": the text is " + std::to_string(out.size()) +
                  " bytes long in Windows-1252; at most 255 fit");
    return true;
  }
  bool Text(const Setting& setting, std::string& out) {
    return Convert(setting.where, setting.value, out);
  }

  bool Terms(const Setting& setting, std::vector<std::string>& lines) {
    const fs::path path =
        m_.folder / fs::path(std::u8string(setting.value.begin(), setting.value.end()));
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(setting.where + ": " + PathText(path) + " cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    int number = 0;
    for (const std::string& line : SplitLines(text.str())) {
      std::string converted;
      if (!Convert(PathText(path) + " line " + std::to_string(++number), line, converted))
        return false;
      lines.push_back(std::move(converted));
    }
    return true;
  }

  bool Payload(const fs::path& payloadOverride) {
    fs::path root = payloadOverride;
    if (root.empty()) {
      if (m_.payload.value.empty())
        return Fail("the manifest names no [Setup] Payload folder and no --payload was given");
      root = m_.folder / fs::path(std::u8string(m_.payload.value.begin(), m_.payload.value.end()));
    }
    mksetup::Payload payload;
    if (!ScanPayload(root, payload, error_)) return false;
    std::map<std::string, std::string> byFoldedName;  // folded → as stored
    auto add = [&](const std::string& utf8, const fs::path& where, std::string& name) {
      if (!Convert(PathText(where), utf8, name)) return false;
      if (const char* problem = RelativeNameProblem(name))
        return Fail(PathText(where) + ": the name \"" + utf8 + "\" " + problem);
      const auto [it, added] = byFoldedName.emplace(FoldCase(name), utf8);
      if (!added)
        return Fail(PathText(where) + ": differs from \"" + it->second +
                    "\" only in letter case, which Windows does not tell apart");
      return true;
    };
    for (const std::string& directory : payload.directories) {
      std::string name;
      if (!add(directory, root / fs::path(std::u8string(directory.begin(), directory.end())), name))
        return false;
      d_.directories.push_back(std::move(name));
    }
    for (PayloadFile& file : payload.files) {
      archive::WriterFile entry;
      if (!add(file.name, file.path, entry.name)) return false;
      if (file.size > 0xFFFFFFFFull)
        return Fail(PathText(file.path) + ": " + std::to_string(file.size) +
                    " bytes; the archive holds files of at most 4 GiB - 1");
      entry.fileTime = file.fileTime;
      entry.size = file.size;
      entry.sourcePath = file.path;
      files_.insert(entry.name);
      d_.files.push_back(std::move(entry));
    }
    payloadRoot_ = root;
    return true;
  }

  // Setup takes the installed client's product version for the installed version, so
  // a release must bring a client that says the version the release claims.
  bool Client() {
    const Setting& claimed = m_.packageVersion;
    const auto client = std::find_if(d_.files.begin(), d_.files.end(), [](const auto& file) {
      return FoldCase(file.name) == FoldCase(kClientFileName);
    });
    if (client == d_.files.end())
      return Fail(claimed.where + ": the payload has no " + kClientFileName +
                  ", whose product version Setup reads as the installed version");
    std::ifstream in(client->sourcePath, std::ios::binary);
    const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::uint32_t ms = 0, ls = 0;
    std::string problem;
    if (!ReadProductVersion(image, ms, ls, problem))
      return Fail(claimed.where + ": " + PathText(client->sourcePath) + ": " + problem);
    if (ms != m_.packageVersionMS || ls != m_.packageVersionLS)
      return Fail(claimed.where + ": " + PathText(client->sourcePath) +
                  " carries product version " + std::to_string(ms) + "." + std::to_string(ls) +
                  ", not " + claimed.value);
    return true;
  }

  bool PayloadFileName(const Setting& setting, std::string& name) {
    if (!Text(setting, name) || !Check(setting, RelativeNameProblem(name))) return false;
    if (files_.count(name) == 0)
      return Fail(setting.where + ": \"" + setting.value + "\" is not a file of the payload " +
                  PathText(payloadRoot_));
    return true;
  }

  bool LinkName(const Setting& setting, std::string& name) {
    return Text(setting, name) && Check(setting, LinkNameProblem(name));
  }

  const Manifest& m_;
  archive::ArchiveDescription& d_;
  std::string& error_;
  std::set<std::string> files_;
  fs::path payloadRoot_;
};

}  // namespace

bool DescribeRelease(const Manifest& manifest, const fs::path& payloadOverride,
                     archive::ArchiveDescription& description, archive::ArchivePlan& plan,
                     std::string& error) {
  if (!ReleaseDescriber(manifest, description, error).Run(payloadOverride)) return false;
  std::string problem;
  if (!archive::PlanArchive(description, plan, problem)) {
    error = "the payload does not fit the archive: " + problem;
    return false;
  }
  return true;
}

}  // namespace mksetup
