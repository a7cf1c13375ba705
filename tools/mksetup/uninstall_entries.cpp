#include "uninstall_entries.h"

#include <algorithm>
#include <memory>

#include "file_time.h"
#include "install_list.h"
#include "name_rules.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

using installation::kListFolder;
using installation::kUninstallerName;

bool Folded(const std::string& a, const std::string& b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace

std::string InstallListText(const archive::ArchiveDescription& d) {
  installation::InstallList list;
  list.directories = d.directories;
  for (const archive::WriterFile& file : d.files) list.files.push_back(file.name);
  if (d.kind == archive::SetupKind::Full) list.desktopLinks.push_back(d.desktopLinkName);
  for (const archive::WriterShortcut& shortcut : d.shortcuts)
    list.shortcutIds.push_back(shortcut.linkNameId);
  // Both readme lines always, an empty name included: the lists already shipped have them.
  list.readmeLinks[0].push_back(d.readmes[0].readmeLinkName);
  list.readmeLinks[1].push_back(d.readmes[1].readmeLinkName);
  return installation::InstallListText(list);
}

bool AddUninstaller(const Manifest& m, archive::ArchiveDescription& d, std::string& error) {
  if (m.uninstaller.where.empty()) return true;
  const std::string listName = std::string(kListFolder) + "/0." +
                               std::to_string(m.packageVersionMS) + "." +
                               std::to_string(m.packageVersionLS) + ".lst";
  for (const archive::WriterFile& file : d.files)
    if (Folded(file.name, kUninstallerName) || Folded(file.name, listName) ||
        Folded(file.name, kListFolder)) {
      error = m.uninstaller.where + ": the payload already has \"" + file.name +
              "\", which the uninstaller brings";
      return false;
    }

  const fs::path program =
      m.folder / fs::path(std::u8string(m.uninstaller.value.begin(), m.uninstaller.value.end()));
  std::error_code code;
  archive::WriterFile uninstaller;
  uninstaller.name = kUninstallerName;
  uninstaller.sourcePath = program;
  uninstaller.size = fs::is_regular_file(program, code) ? fs::file_size(program, code) : 0;
  if (code || uninstaller.size == 0 ||
      !ToFileTime(fs::last_write_time(program, code), uninstaller.fileTime) || code) {
    error = m.uninstaller.where + ": " + PathText(program) + " is no readable program";
    return false;
  }
  d.files.push_back(std::move(uninstaller));
  if (std::none_of(d.directories.begin(), d.directories.end(),
                   [](const std::string& name) { return Folded(name, kListFolder); }))
    d.directories.push_back(kListFolder);

  archive::WriterFile list;
  list.name = listName;
  list.fileTime = d.files.back().fileTime;
  d.files.push_back(list);
  auto bytes = std::make_shared<std::vector<std::uint8_t>>();
  const std::string text = InstallListText(d);
  bytes->assign(text.begin(), text.end());
  d.files.back().size = bytes->size();
  d.files.back().bytes = *bytes;
  d.ownedBytes.push_back(std::move(bytes));
  return true;
}

}  // namespace mksetup
