#include "manifest.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "ini_file.h"

namespace mksetup {
namespace {

enum class Number { kRead, kNotANumber, kTooLarge };

Number ReadU32(std::string_view text, std::uint32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return Number::kNotANumber;
  if (error == std::errc::result_out_of_range) return Number::kTooLarge;
  return error == std::errc{} ? Number::kRead : Number::kNotANumber;
}

bool ParseU32(std::string_view text, std::uint32_t& value) {
  return ReadU32(text, value) == Number::kRead;
}

// Why `text` is no "MS.LS" version, or nullptr.
const char* VersionProblem(std::string_view text, std::uint32_t& ms, std::uint32_t& ls) {
  const std::size_t dot = text.find('.');
  const Number high =
      dot == std::string_view::npos ? Number::kNotANumber : ReadU32(text.substr(0, dot), ms);
  const Number low =
      dot == std::string_view::npos ? Number::kNotANumber : ReadU32(text.substr(dot + 1), ls);
  if (high == Number::kNotANumber || low == Number::kNotANumber)
    return "is not a version like 807.3";
  if (high == Number::kTooLarge || low == Number::kTooLarge)
    return "is out of range: each half is at most 4294967295";
  return nullptr;
}

// True when an update's required version lets it install over a client at or above
// the version it brings: Setup reads a required half of 0 as "any".
bool AdmitsPackageOrLater(const Manifest& m) {
  if (m.requiredVersionMS == 0 && m.requiredVersionLS == 0) return false;  // no requirement
  if (m.requiredVersionMS != m.packageVersionMS)
    return m.requiredVersionMS == 0 || m.requiredVersionMS > m.packageVersionMS;
  return m.requiredVersionLS == 0 || m.requiredVersionLS >= m.packageVersionLS;
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
    if (SameName(section.name, "Updater"))
      return Bind(section, {{"Program", &m_.updaterProgram, true},
                            {"Feed", &m_.updaterFeed, true},
                            {"PublicKey", &m_.updaterPublicKey, true}});
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
    Setting kind, required;
    if (!Bind(section, {{"Kind", &kind, true},
                        {"Title", &m_.title, true},
                        {"InstallFolder", &m_.installFolder, true},
                        {"StartMenuGroup", &m_.startMenuGroup, true},
                        {"PackageVersion", &m_.packageVersion, true},
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
    const Setting& package = m_.packageVersion;
    if (const char* problem =
            VersionProblem(package.value, m_.packageVersionMS, m_.packageVersionLS))
      return Fail(package.where + ": \"" + package.value + "\" " + problem);
    if (m_.packageVersionMS == 0 && m_.packageVersionLS == 0)
      return Fail(package.where + ": 0.0 is no version a client can carry");
    if (!required.where.empty() && !RequiredVersion(required)) return false;
    sawSetup_ = true;
    return true;
  }

  bool RequiredVersion(const Setting& required) {
    if (m_.kind == archive::SetupKind::Full)
      return Fail(required.where + ": a Full installs over nothing, so it requires no version");
    if (const char* problem =
            VersionProblem(required.value, m_.requiredVersionMS, m_.requiredVersionLS))
      return Fail(required.where + ": \"" + required.value + "\" " + problem);
    if (AdmitsPackageOrLater(m_))
      return Fail(required.where + ": \"" + required.value +
                  "\" admits a client at or above PackageVersion " + m_.packageVersion.value +
                  " (a half of 0 stands for any)");
    return true;
  }

  // Two links of one name would write one file.
  bool NewLinkName(std::vector<std::uint32_t>& seen, std::uint32_t id, const std::string& where) {
    if (std::find(seen.begin(), seen.end(), id) != seen.end())
      return Fail(where + ": link name id " + std::to_string(id) + " given twice");
    seen.push_back(id);
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
        if (!NewLinkName(rolesSeen, role->linkNameId, where)) return false;
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
      const Number number = comma == std::string::npos ? Number::kNotANumber : ReadU32(idText, id);
      if (number == Number::kNotANumber)
        return Fail(where + ": expected a target file, a comma and a link name id (23, 24 or 25)");
      if (number == Number::kTooLarge)
        return Fail(where + ": link name id " + std::string(idText) +
                    " is out of range; the catalogue's link names are 23, 24 and 25");
      if (std::find(std::begin(kShortcutIds), std::end(kShortcutIds), id) == std::end(kShortcutIds))
        return Fail(where + ": link name id " + std::to_string(id) +
                    " is none of the catalogue's link names 23, 24 or 25");
      if (!NewLinkName(rolesSeen, id, where)) return false;
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
    if (sawSetup_ && m_.kind == archive::SetupKind::Update && m_.uninstaller.where.empty())
      return Fail(label_ +
                  ": [Uninstall] Program is missing; without it an update's new files "
                  "stay behind at uninstallation");
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
  // Notepad's "Unicode" is UTF-16: a byte order mark, or a zero byte beside each letter.
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
      text.substr(0, 64).find('\0') != std::string_view::npos) {
    error = label + ": the file is UTF-16 (what Notepad calls \"Unicode\"); save it as UTF-8";
    return false;
  }
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
