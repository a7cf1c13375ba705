// The publisher's description of one release: an INI file naming the header texts,
// the versions, the terms files, the payload folder and the entries that point into
// it. Texts stay UTF-8 here; the archive description converts and checks them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "setup_archive.h"

namespace mksetup {

// A value and where it came from, so every later refusal can name the key.
struct Setting {
  std::string value;
  std::string where;  // e.g. "demo.ini line 4, [Setup] Title"
};

struct ShortcutSetting {
  Setting target;
  std::uint32_t linkNameId = 0;
};

struct Manifest {
  std::filesystem::path folder;  // relative file names are taken from here
  archive::SetupKind kind = archive::SetupKind::Full;
  Setting title;
  Setting installFolder;
  Setting startMenuGroup;
  Setting packageVersion;  // as written, for messages
  std::uint32_t packageVersionMS = 0;
  std::uint32_t packageVersionLS = 0;
  std::uint32_t requiredVersionMS = 0;
  std::uint32_t requiredVersionLS = 0;
  std::array<Setting, archive::kLanguageCount> termsFile;  // German, English
  Setting payload;                                         // may be empty: --payload
  std::array<Setting, archive::kLanguageCount> readmeFile;
  std::array<Setting, archive::kLanguageCount> readmeLink;
  Setting icon;  // may be empty: the stub keeps its own icon
  // Apps & features' Publisher and URLInfoAbout; each may be empty.
  Setting publisher;
  Setting urlInfoAbout;
  Setting programFile;
  Setting desktopLink;
  std::vector<ShortcutSetting> shortcuts;  // in start-menu order
  std::vector<Setting> obsoleteFiles;
  Setting uninstaller;  // [Uninstall] Program: added as uninstall.exe with the release's list
  // [Updater]: the program added as updater.exe, with the feed's URL and key written in.
  Setting updaterProgram, updaterFeed, updaterPublicKey;
};

// The catalogue ids of the three start-menu link names.
inline constexpr std::uint32_t kShortcutIds[] = {23, 24, 25};

// The [Shortcuts] keys that name a shortcut by its role, and the link name id each
// stands for: "Tidemoor.lnk", "Tidemoor Setup.lnk", "Tidemoor Uninstallation.lnk".
struct ShortcutRole {
  const char* key;
  std::uint32_t linkNameId;
};
inline constexpr ShortcutRole kShortcutRoles[] = {
    {"Game", 23}, {"Settings", 24}, {"Uninstaller", 25}};

// `label` names the file in messages. False with `error` on a syntax error, an
// unknown or repeated key, a missing key, a bad kind, version or shortcut id.
bool ParseManifest(std::string_view text, const std::string& label, Manifest& manifest,
                   std::string& error);

bool ReadManifest(const std::filesystem::path& file, Manifest& manifest, std::string& error);

// "807.3" → 807 and 3; both parts decimal and within 32 bits.
bool ParseVersion(std::string_view text, std::uint32_t& ms, std::uint32_t& ls);

// For messages: a path as UTF-8 on every platform.
std::string PathText(const std::filesystem::path& path);

}  // namespace mksetup
