#include "manifest.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "ini_file.h"

namespace mksetup {
namespace {

bool ParseU32(std::string_view text, std::uint32_t& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

// Binds each known key of a section to where its value goes.
struct KeyBinding {
  const char* key;
  Setting* target;
  bool required;
};

class ManifestReader {
 public:
  ManifestReader(const std::string& label, Manifest& manifest, std::string& error)
      : label_(label), m_(manifest), error_(error) {}

  bool Read(const std::vector<IniSection>& sections) {
    for (const IniSection& section : sections) {
      for (const IniSection* seen : seen_)
        if (SameName(seen->name, section.name))
          return Fail(label_ + " line " + std::to_string(section.line) + ": section [" +
                      section.name + "] appears twice");
      seen_.push_back(&section);
      if (!ReadSection(section)) return false;
    }
    return Finish();
  }

 private:
  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }
  std::string Where(const IniSection& section, const IniEntry& entry) const {
    return label_ + " line " + std::to_string(entry.line) + ", [" + section.name + "] " + entry.key;
  }

  bool ReadSection(const IniSection& section) {
    if (SameName(section.name, "Setup")) return Setup(section);
    if (SameName(section.name, "Terms"))
      return Bind(section,
                  {{"German", &m_.termsFile[0], true}, {"English", &m_.termsFile[1], true}});
    if (SameName(section.name, "Readme"))
      return Bind(section, {{"GermanFile", &m_.readmeFile[0], true},
                            {"GermanLink", &m_.readmeLink[0], true},
                            {"EnglishFile", &m_.readmeFile[1], true},
                            {"EnglishLink", &m_.readmeLink[1], true}});
    if (SameName(section.name, "Program"))
      return Bind(section,
                  {{"File", &m_.programFile, true}, {"DesktopLink", &m_.desktopLink, true}});
    if (SameName(section.name, "Shortcuts")) return Shortcuts(section);
    if (SameName(section.name, "Obsolete")) return Obsolete(section);
    if (SameName(section.name, "Uninstall"))
      return Bind(section, {{"Program", &m_.uninstaller, true}});
    return Fail(label_ + " line " + std::to_string(section.line) + ": unknown section [" +
                section.name + "]");
  }

  bool Bind(const IniSection& section, std::initializer_list<KeyBinding> bindings) {
    for (const IniEntry& entry : section.entries) {
      const KeyBinding* match = nullptr;
      for (const KeyBinding& binding : bindings)
        if (SameName(entry.key, binding.key)) match = &binding;
      if (match == nullptr) return Fail(Where(section, entry) + ": unknown key");
      if (!match->target->where.empty()) return Fail(Where(section, entry) + ": given twice");
      *match->target = {entry.value, Where(section, entry)};
    }
    for (const KeyBinding& binding : bindings)
      if (binding.required && binding.target->where.empty())
        return Fail(label_ + ": [" + section.name + "] " + binding.key + " is missing");
    return true;
  }

  bool Setup(const IniSection& section) {
    Setting kind, package, required;
    if (!Bind(section, {{"Kind", &kind, true},
                        {"Title", &m_.title, true},
                        {"InstallFolder", &m_.installFolder, true},
                        {"StartMenuGroup", &m_.startMenuGroup, true},
                        {"PackageVersion", &package, true},
                        {"RequiredVersion", &required, false},
                        {"Payload", &m_.payload, false},
                        {"Icon", &m_.icon, false},
                        {"Publisher", &m_.publisher, false},
                        {"URLInfoAbout", &m_.urlInfoAbout, false}}))
      return false;
    if (SameName(kind.value, "Full"))
      m_.kind = archive::SetupKind::Full;
    else if (SameName(kind.value, "Update"))
      m_.kind = archive::SetupKind::Update;
    else
      return Fail(kind.where + ": \"" + kind.value + "\" is neither Full nor Update");
    if (!ParseVersion(package.value, m_.packageVersionMS, m_.packageVersionLS))
      return Fail(package.where + ": \"" + package.value + "\" is not a version like 807.3");
    if (!required.where.empty() &&
        !ParseVersion(required.value, m_.requiredVersionMS, m_.requiredVersionLS))
      return Fail(required.where + ": \"" + required.value + "\" is not a version like 806.1");
    sawSetup_ = true;
    return true;
  }

  // Each line is a role and its target ("Game = TDMClient.exe") or, as older
  // manifests write it, "Shortcut = target, link name id".
  bool Shortcuts(const IniSection& section) {
    std::vector<std::uint32_t> rolesSeen;
    for (const IniEntry& entry : section.entries) {
      const std::string where = Where(section, entry);
      const auto role =
          std::find_if(std::begin(kShortcutRoles), std::end(kShortcutRoles),
                       [&](const ShortcutRole& r) { return SameName(entry.key, r.key); });
      if (role != std::end(kShortcutRoles)) {
        if (std::find(rolesSeen.begin(), rolesSeen.end(), role->linkNameId) != rolesSeen.end())
          return Fail(where + ": given twice");
        rolesSeen.push_back(role->linkNameId);
        m_.shortcuts.push_back({{entry.value, where}, role->linkNameId});
        continue;
      }
      if (!SameName(entry.key, "Shortcut"))
        return Fail(where + ": unknown key (Game, Settings, Uninstaller or Shortcut)");
      const std::size_t comma = entry.value.rfind(',');
      std::uint32_t id = 0;
      std::string_view idText = comma == std::string::npos
                                    ? std::string_view{}
                                    : std::string_view(entry.value).substr(comma + 1);
      while (!idText.empty() && idText.front() == ' ') idText.remove_prefix(1);
      if (comma == std::string::npos || !ParseU32(idText, id))
        return Fail(where + ": expected a target file, a comma and a link name id (23, 24 or 25)");
      if (std::find(std::begin(kShortcutIds), std::end(kShortcutIds), id) == std::end(kShortcutIds))
        return Fail(where + ": link name id " + std::to_string(id) +
                    " is none of the catalogue's link names 23, 24 or 25");
      std::string target = entry.value.substr(0, comma);
      while (!target.empty() && (target.back() == ' ' || target.back() == '\t')) target.pop_back();
      m_.shortcuts.push_back({{target, where}, id});
    }
    return true;
  }

  bool Obsolete(const IniSection& section) {
    for (const IniEntry& entry : section.entries) {
      if (!SameName(entry.key, "File")) return Fail(Where(section, entry) + ": unknown key");
      m_.obsoleteFiles.push_back({entry.value, Where(section, entry)});
    }
    obsoleteLine_ = section.line;
    return true;
  }

  bool Finish() {
    static const char* const kRequired[] = {"Setup", "Terms", "Readme", "Program"};
    for (const char* name : kRequired) {
      bool found = false;
      for (const IniSection* section : seen_) found = found || SameName(section->name, name);
      if (!found) return Fail(label_ + ": section [" + name + "] is missing");
    }
    if (sawSetup_ && m_.kind == archive::SetupKind::Full && !m_.obsoleteFiles.empty())
      return Fail(label_ + " line " + std::to_string(obsoleteLine_) +
                  ": [Obsolete] files are deleted only by an update, but Kind is Full");
    return true;
  }

  const std::string& label_;
  Manifest& m_;
  std::string& error_;
  std::vector<const IniSection*> seen_;
  bool sawSetup_ = false;
  int obsoleteLine_ = 0;
};

}  // namespace

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool ParseVersion(std::string_view text, std::uint32_t& ms, std::uint32_t& ls) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  return ParseU32(text.substr(0, dot), ms) && ParseU32(text.substr(dot + 1), ls);
}

bool ParseManifest(std::string_view text, const std::string& label, Manifest& manifest,
                   std::string& error) {
  std::vector<IniSection> sections;
  std::string problem;
  if (!ParseIni(text, sections, problem)) {
    error = label + " " + problem;
    return false;
  }
  return ManifestReader(label, manifest, error).Read(sections);
}

bool ReadManifest(const std::filesystem::path& file, Manifest& manifest, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = PathText(file) + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  manifest.folder = file.parent_path();
  return ParseManifest(text.str(), PathText(file), manifest, error);
}

}  // namespace mksetup
