// Arbitrary text as a release manifest. Whatever mksetup's reader and name rules
// accept must become an archive that Setup.exe's own checks accept: the manifest's
// entries (with a few bytes for each payload file it names) are planned, written
// into memory and put through the checksum and the structural check.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "archive_check.h"
#include "archive_checksum.h"
#include "archive_writer.h"
#include "manifest.h"
#include "name_rules.h"
#include "text_encoding.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::uint8_t kFileBytes[] = {'T', 'd', 'm', '\r', '\n'};

// The manifest text converted as mksetup converts it; false where mksetup refuses.
bool Convert(const mksetup::Setting& setting, std::string& out) {
  std::string problem;
  if (!mksetup::Utf8ToWindows1252(setting.value, out, problem)) return false;
  // What went in as valid Windows-1252 comes back as the same UTF-8.
  Require(mksetup::Windows1252ToUtf8(out) == setting.value);
  return out.size() <= archive::kText256MaxLength;
}

bool RelativeName(const mksetup::Setting& setting, std::string& out) {
  if (!Convert(setting, out) || mksetup::RelativeNameProblem(out) != nullptr) return false;
  // A name mksetup lets through must not be one Setup.exe refuses.
  Require(archive::RelativeNameProblem(out.c_str()) == nullptr);
  return true;
}

bool LinkName(const mksetup::Setting& setting, std::string& out) {
  if (!Convert(setting, out) || mksetup::LinkNameProblem(out) != nullptr) return false;
  Require(archive::LinkNameProblem(out.c_str()) == nullptr);
  return true;
}

// The payload the manifest implies: every named file and the folders above it.
class ImpliedPayload {
 public:
  bool AddFile(const std::string& name) {
    files_.emplace(mksetup::FoldCase(name), name);
    for (std::size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1))
      directories_.emplace(mksetup::FoldCase(name.substr(0, slash)), name.substr(0, slash));
    return true;
  }
  // False when a name is both a file and a folder, which no payload folder can be.
  bool Fill(archive::ArchiveDescription& d) const {
    for (const auto& [folded, name] : files_)
      if (directories_.count(folded) != 0) return false;
    for (const auto& [folded, name] : directories_) d.directories.push_back(name);
    // A parent's name is a prefix of its child's, so it sorts first.
    std::sort(d.directories.begin(), d.directories.end());
    for (const auto& [folded, name] : files_)
      d.files.push_back({name, 0x01D0000000000000ull, sizeof kFileBytes, kFileBytes, {}});
    return true;
  }

 private:
  std::map<std::string, std::string> files_, directories_;
};

bool Describe(const mksetup::Manifest& m, archive::ArchiveDescription& d) {
  d.kind = m.kind;
  d.packageVersionMS = m.packageVersionMS;
  d.packageVersionLS = m.packageVersionLS;
  d.requiredVersionMS = m.requiredVersionMS;
  d.requiredVersionLS = m.requiredVersionLS;
  if (!Convert(m.title, d.title) || d.title.empty() ||
      !Convert(m.installFolder, d.installDirSuffix) ||
      mksetup::InstallFolderProblem(d.installDirSuffix) != nullptr ||
      !Convert(m.startMenuGroup, d.startMenuGroup) ||
      mksetup::StartMenuGroupProblem(d.startMenuGroup) != nullptr)
    return false;
  ImpliedPayload payload;
  for (std::uint32_t language = 0; language < archive::kLanguageCount; ++language) {
    archive::WriterReadme& readme = d.readmes[language];
    if (!RelativeName(m.readmeFile[language], readme.readmeFile) ||
        !LinkName(m.readmeLink[language], readme.readmeLinkName))
      return false;
    payload.AddFile(readme.readmeFile);
  }
  if (!RelativeName(m.programFile, d.programFile) || !LinkName(m.desktopLink, d.desktopLinkName))
    return false;
  payload.AddFile(d.programFile);
  for (const mksetup::ShortcutSetting& shortcut : m.shortcuts) {
    archive::WriterShortcut entry{{}, shortcut.linkNameId};
    if (!RelativeName(shortcut.target, entry.targetFile)) return false;
    payload.AddFile(entry.targetFile);
    d.shortcuts.push_back(entry);
  }
  for (const mksetup::Setting& obsolete : m.obsoleteFiles) {
    std::string name;
    if (!RelativeName(obsolete, name)) return false;
    d.obsoleteFiles.push_back(name);
  }
  return payload.Fill(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mksetup::Manifest manifest;
  std::string error;
  if (!mksetup::ParseManifest(text, "fuzz.ini", manifest, error)) {
    Require(!error.empty());
    return 0;
  }
  archive::ArchiveDescription description;
  if (!Describe(manifest, description)) return 0;
  archive::ArchivePlan plan;
  if (!archive::PlanArchive(description, plan, error)) return 0;

  std::array<archive::MemorySink, archive::kMaxSegments> sinks;
  const archive::WriteResult written =
      archive::WriteArchive(description, plan, {&sinks[0], &sinks[1], &sinks[2]});
  Require(written.ok);
  archive::SegmentViews views{};
  for (int i = 0; i < plan.segmentCount; ++i) {
    const auto& bytes = sinks[i].bytes();
    Require(bytes.size() >= archive::kSegmentChecksumSize);
    std::uint64_t stored = 0;
    for (int b = 7; b >= 0; --b) stored = stored << 8 | bytes[b];
    views[i] = {bytes.data() + archive::kSegmentChecksumSize,
                static_cast<std::uint32_t>(bytes.size() - archive::kSegmentChecksumSize)};
    Require(archive::ByteSum(views[i].body, views[i].length) == stored);
  }
  if (manifest.kind == archive::SetupKind::Full) Require(plan.segmentCount == 3);
  Require(archive::CheckArchive(views).ok);
  return 0;
}
