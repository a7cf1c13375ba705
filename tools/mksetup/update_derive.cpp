#include "update_derive.h"

#include <map>

#include "name_rules.h"

namespace mksetup {
namespace {

using archive::ArchiveDescription;
using archive::WriterFile;

std::string VersionText(std::uint32_t ms, std::uint32_t ls) {
  return std::to_string(ms) + "." + std::to_string(ls);
}

struct Named {
  std::string name;                  // as stored
  const WriterFile* file = nullptr;  // null for a folder
};

// Every folder and file of a release by its name without letter case.
std::map<std::string, Named> ByFoldedName(const ArchiveDescription& d) {
  std::map<std::string, Named> names;
  for (const std::string& directory : d.directories) names[FoldCase(directory)] = {directory};
  for (const WriterFile& file : d.files) names[FoldCase(file.name)] = {file.name, &file};
  return names;
}

bool IsUninstallList(const std::string& name) {
  const std::string folded = FoldCase(name);
  return folded.starts_with("UNINSTALL/") && folded.ends_with(".LST") &&
         folded.find('/', 10) == std::string::npos;
}

bool Changed(const WriterFile& old, const WriterFile& next, const SameBytes& sameBytes) {
  return old.size != next.size || old.fileTime != next.fileTime || !sameBytes(old, next);
}

}  // namespace

bool DeriveUpdate(const DeriveSide& old, const DeriveSide& next, const SameBytes& sameBytes,
                  ArchiveDescription& update, std::string& error) {
  const ArchiveDescription& o = *old.release;
  const ArchiveDescription& n = *next.release;
  for (const DeriveSide* side : {&old, &next})
    if (side->release->kind != archive::SetupKind::Full) {
      error = side->label + ": [Setup] Kind is Update; an update is derived from two full releases";
      return false;
    }
  if (FoldCase(o.installDirSuffix) != FoldCase(n.installDirSuffix)) {
    error = next.label + ": [Setup] InstallFolder \"" + n.installDirSuffix + "\" is not \"" +
            o.installDirSuffix + "\" of " + old.label + ": the releases are of different products";
    return false;
  }
  if (std::pair(n.packageVersionMS, n.packageVersionLS) <=
      std::pair(o.packageVersionMS, o.packageVersionLS)) {
    error = next.label + ": [Setup] PackageVersion " +
            VersionText(n.packageVersionMS, n.packageVersionLS) + " is not above " +
            VersionText(o.packageVersionMS, o.packageVersionLS) + " of " + old.label;
    return false;
  }
  const std::map<std::string, Named> oldNames = ByFoldedName(o);
  const std::map<std::string, Named> nextNames = ByFoldedName(n);
  for (const auto& [folded, before] : oldNames) {
    const auto after = nextNames.find(folded);
    if (after == nextNames.end()) continue;
    if ((before.file == nullptr) != (after->second.file == nullptr)) {
      error = "\"" + after->second.name + "\" is a " + (before.file ? "file" : "folder") + " in " +
              old.label + " and a " + (before.file ? "folder" : "file") + " in " + next.label +
              "; an update cannot turn one into the other";
      return false;
    }
    // The update writes the new file before it deletes the obsolete ones, and Windows
    // would find the new file under the old name.
    if (before.name != after->second.name) {
      error = "\"" + before.name + "\" of " + old.label + " and \"" + after->second.name +
              "\" of " + next.label + " differ only in letter case; an update cannot rename them";
      return false;
    }
  }

  update = ArchiveDescription{};
  update.kind = archive::SetupKind::Update;
  update.title = n.title;
  update.installDirSuffix = n.installDirSuffix;
  update.startMenuGroup = n.startMenuGroup;
  update.packageVersionMS = n.packageVersionMS;
  update.packageVersionLS = n.packageVersionLS;
  update.requiredVersionMS = o.packageVersionMS;
  update.requiredVersionLS = o.packageVersionLS;
  update.termsLines = n.termsLines;
  update.directories = n.directories;
  update.readmes = n.readmes;
  update.programFile = n.programFile;
  update.desktopLinkName = n.desktopLinkName;
  update.shortcuts = n.shortcuts;
  update.ownedBytes = n.ownedBytes;  // the new release's uninstall list lives there
  for (const WriterFile& file : n.files) {
    const auto before = oldNames.find(FoldCase(file.name));
    if (before == oldNames.end() || Changed(*before->second.file, file, sameBytes))
      update.files.push_back(file);
  }
  // The old release's uninstall list stays: it names the folders the new release no
  // longer has, which an update cannot remove but the uninstaller then does.
  for (const WriterFile& file : o.files)
    if (nextNames.count(FoldCase(file.name)) == 0 && !IsUninstallList(file.name))
      update.obsoleteFiles.push_back(file.name);
  return true;
}

}  // namespace mksetup
