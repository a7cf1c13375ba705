// The decisions Setup's forms take, one table each.
#include "settings_trim.h"
#include "directory_rules.h"
#include "path_buffer.h"
#include "disk_figures.h"
#include "corrupted_text.h"
#include "earlier_installation.h"
#include "exit_codes.h"
#include "setup_switches.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "s_lang.h"
#include "s_logging.h"

namespace setup {
namespace {

// What a line sets, in a few words: "plain" for a line without switches, the word
// that refused it, the mode, then each setting given.
std::string Described(const SetupSwitches& s) {
  std::string d = std::string(s.any ? "" : "plain ") +
                  (s.malformed ? "refused(" + s.problem + ") " : "") +
                  (s.mode == RunMode::Wizard   ? "wizard"
                   : s.mode == RunMode::Silent ? "silent"
                                               : "very");
  if (s.log) d += " log" + (s.logFile.empty() ? "" : "=" + s.logFile);
  if (s.directory) d += " dir=" + *s.directory;
  if (s.allUsers) d += *s.allUsers ? " all" : " user";
  if (s.language) d += *s.language == 0 ? " de" : " en";
  return d + (s.noDesktopIcon ? " nodesk" : "");
}

TEST(SetupSwitches, Table) {
  const std::string longName(CLog::kFileNameSize, 'x');
  const std::pair<std::string, std::string> rows[] = {
      {"", "plain wizard"},
      {"-debug", "plain wizard"},  // the entry's own rule, as before
      {"-debug x /FOO", "plain wizard"},
      {"/S/ALLUSERS", "plain wizard"},
      {"/s", "very"},
      {"/VerySilent /AllUsers /lang=DE", "very all de"},
      {"/SILENT\t/CURRENTUSER  /LANG=en /NODESKTOPICON", "silent user en nodesk"},
      {"/S -debug", "very log"},
      {"/S /LOG", "very log"},
      {"/S /LOG=\"C:\\my logs\\s.log\"", "very log=C:\\my logs\\s.log"},
      {"/S /LOG=" + longName, "refused(/LOG=" + longName + ") very"},
      {"/S /D=C:\\Program Files\\Tide moor /LOG  ", "very dir=C:\\Program Files\\Tide moor /LOG"},
      {"/D=C:\\Games", "wizard dir=C:\\Games"},
      {"/S /DIR=\"C:\\Program Files\\Tidemoor\" /LOG", "very log dir=C:\\Program Files\\Tidemoor"},
      {"/S /DIR=C:\\Games", "very dir=C:\\Games"},
      {"/S /FOO", "refused(/FOO) very"},
      {"/S /S", "refused(/S) very"},
      {"/S /SILENT", "refused(/SILENT) very"},
      {"/S /ALLUSERS /CURRENTUSER", "refused(/CURRENTUSER) very all"},
      {"/S /LANG=fr", "refused(/LANG=fr) very"},
      {"/S /DIR=", "refused(/DIR=) very"},
      {"/S /DIR=\"C:\\x", "refused(/DIR=\"C:\\x) very"},
      {"/S /D=  ", "refused(/D=) very"},
  };
  for (const auto& [tail, want] : rows)
    EXPECT_EQ(Described(ParseSetupSwitches(tail)), want) << tail;
}

TEST(ExitCodes, Table) {
  // "catalogue text:exit code", as README's table gives them.
  std::istringstream rows(
      "39:1638 49:1638 35:1642 36:1642 37:1605 41:1605 47:183 48:740 "
      "40:1620 16:1603 20:1603 26:1603 29:1603 3:1603");
  std::uint32_t text = 0;
  char colon = 0;
  for (int code = 0; rows >> text >> colon >> code;) EXPECT_EQ(ExitCodeForText(text), code) << text;
  EXPECT_TRUE(rows.eof());                            // every row was read
  EXPECT_EQ(ExitCodeForText(kClientPathText), 1605);  // the missing client file
}

TEST(TrimSettingsFields, Table) {
  const struct {
    const char *directory, *group;
    TrimmedSettings want;
  } rows[] = {
      {"C:\\Games\\Tidemoor\\", "\\Tidemoor\\", {"C:\\Games\\Tidemoor", "Tidemoor", false}},
      {"C:\\A\\B", "Tide\\moor", {"C:\\A\\B", "Tide\\moor", false}},
      {"C:\\\\", "\\\\G\\\\", {"C:\\", "\\G\\", false}},  // one backslash at each end
      {"C:\\x", "G\\", {"C:\\x", "G", false}},
      {"C:\\x", "\\\\", {"C:\\x", "", false}},
      {"\\", "G", {"", "G", false}},
      {"", "G", {"", "G", true}},
      {"C:\\x\\", "", {"C:\\x", "", true}},
      {"C:\\x", "\\", {"C:\\x", "", true}},  // emptied by the first removal
  };
  for (const auto& row : rows) {
    const TrimmedSettings got = TrimSettingsFields(row.directory, row.group);
    EXPECT_TRUE(got == row.want) << row.directory << " | " << row.group << " -> " << got.directory
                                 << " | " << got.group << " " << got.rangeError;
  }
}

constexpr std::string_view kSuffix = "\\Tidemoor";
using Want = std::optional<std::string>;
using Rule = Want (*)(std::string_view);
const Rule Open = [](std::string_view t) -> Want { return FolderToOpen(t, kSuffix); };
const Rule Propose = [](std::string_view t) -> Want { return ProposedDirectory(t, kSuffix); };
const Rule Ok = ConfirmedDirectory;

TEST(DirectoryRules, Table) {
  const struct {
    Rule rule;
    const char* text;
    std::optional<std::string> want;
  } rows[] = {
      {Open, "C:\\Program Files\\Tidemoor", "C:\\Program Files"},
      {Open, "D:\\Games", "D:\\Games"},
      {Open, "D:\\Tidemoor\\x\\Tidemoor", "D:\\x\\Tidemoor"},  // the first occurrence only
      {Open, "D:\\games\\tidemoor", "D:\\games\\tidemoor"},
      {Propose, "C:\\", "C:\\Tidemoor"},
      {Propose, "D:\\Games", "D:\\Games\\Tidemoor"},
      {Propose, "D:\\Games\\Tidemoor\\Data", "D:\\Games\\Tidemoor\\Data"},
      {Propose, "D:\\Games\\TidemoorX", "D:\\Games\\TidemoorX"},  // held anywhere
      {Propose, "D:\\games\\tidemoor", "D:\\games\\tidemoor\\Tidemoor"},
      {Ok, "E:\\Spiele\\Tidemoor\\", "E:\\Spiele\\Tidemoor"},
      {Ok, "C:\\", "C:"},
      {Ok, "C:\\x\\\\", "C:\\x\\"},
      {Ok, "\\", ""},
      {Ok, "", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(row.rule(row.text), row.want) << row.text;
}

TEST(Compose, FillsUpTo255CharactersAndRefusesOneMore) {
  PathBuffer out;
  ASSERT_TRUE(Compose(out, {std::string(241, 'd'), "\\uninstall.exe"}));  // 241 + 14 = 255
  EXPECT_EQ(std::string(out).size(), 255u);
  EXPECT_FALSE(Compose(out, {std::string(242, 'd'), "\\uninstall.exe"}));
  EXPECT_STREQ(out, "");
  ASSERT_TRUE(Compose(out, {"C:\\Games", "\\", "Tidemoor"}));
  EXPECT_STREQ(out, "C:\\Games\\Tidemoor");
}

TEST(SplitComponents, KeepsEmptyComponentsAndRefusesMoreThanTheListHolds) {
  std::string many = "C:";
  for (int i = 0; i < 255; ++i) many += "\\x";  // 256 components
  const std::pair<std::string, std::vector<std::string>> rows[] = {
      {"C:\\Games\\Tidemoor", {"C:", "Games", "Tidemoor"}},
      {"\\\\server\\share", {"", "", "server", "share"}},
      {"Tidemoor", {"Tidemoor"}},
      {"a\\\\b\\", {"a", "", "b", ""}}};
  for (const auto& [text, parts] : rows) {
    std::vector<std::string> split;
    EXPECT_TRUE(SplitComponents(text, 256, [&](std::string_view p) { split.emplace_back(p); }));
    EXPECT_EQ(split, parts) << text;
  }
  std::size_t count = 0;
  EXPECT_TRUE(SplitComponents(many, 256, [&](std::string_view) { ++count; }));
  EXPECT_EQ(count, 256u);
  EXPECT_FALSE(SplitComponents(many + "\\x", 256, [](std::string_view) {}));
}

TEST(DiskFigures, Table) {
  const std::optional<std::uint64_t> unknown;
  const struct {
    std::array<std::uint32_t, 3> bodies;
    std::optional<std::uint64_t> freeBytes;
    DiskFigures want;
  } rows[] = {
      {{16651315, 0, 0}, 0, {"15 MB", "0 MB"}},  // the shipped archive
      {{1048575, 0, 0}, 1048575, {"0 MB", "0 MB"}},
      {{1048576, 0, 0}, 1048576, {"1 MB", "1 MB"}},
      {{1048575, 1, 0}, 3145727, {"1 MB", "2 MB"}},  // every segment counts
      {{80000000, 80000000, 3000000}, 5ull << 40, {"155 MB", "5242880 MB"}},
      {{0, 0, 0}, unknown, {"0 MB", "0 MB"}},  // a failed query
  };
  for (const auto& row : rows) {
    const DiskFigures got = DiskFiguresFor(row.bodies, row.freeBytes);
    EXPECT_EQ(got.required, row.want.required) << row.bodies[0];
    EXPECT_EQ(got.available, row.want.available) << row.freeBytes.value_or(0);
  }
  for (const auto& [directory, root] :
       {std::pair{"D:\\Games\\Tidemoor", "D:\\"}, {"C:\\", "C:\\"}, {"C:", "C:"}, {"", ""}})
    EXPECT_EQ(VolumeRootOf(directory), root);
}

TEST(CorruptedText, Table) {
  const struct {
    std::uint32_t language;
    bool sums;  // a checksum mismatch, computed 100 and stored 200
    const char* want;
  } rows[] = {
      {kLanguageGerman, false, "Die Installations-Datei ist fehlerhaft!"},
      {kLanguageEnglish, false, "The setup file is corrupted!"},
      {kLanguageGerman, true, "Die Installations-Datei ist fehlerhaft! (100<->200)"},
      {kLanguageEnglish, true, "The setup file is corrupted!100<->200)"},
  };
  for (const auto& row : rows) {
    CLang::SetLanguage(row.language);
    const char* text40 = CLang::GetText(kMsgSetupFileCorrupted);
    EXPECT_EQ(row.sums ? ChecksumMismatchText(text40, 100, 200) : CorruptedText(text40), row.want);
  }
  EXPECT_EQ(CorruptedText("a (b"), "a (b");  // only a bracket at the end is left open
}

constexpr std::uint32_t F = 1, U = 2;
constexpr bool y = true, n = false;
using V = ProductVersion;
const std::optional<std::uint32_t> none;
const std::optional<V> missing;

EarlierOutcome Refused(std::optional<std::uint32_t> language, std::uint32_t text,
                       std::uint32_t caption = kMsgWrongClientVersion) {
  return {EarlierVerdict::Refuse, language, text, caption};
}
const auto Wrong = [](std::uint32_t language) {
  return Refused(language, kMsgUpdateNeedsClientVersion);
};
const auto Adopt = [](std::uint32_t l) { return EarlierOutcome{EarlierVerdict::Adopt, l, 0, 0}; };
const EarlierOutcome kProceed{};

struct Row {
  std::uint32_t kind;
  std::optional<std::uint32_t> language;
  bool dir, group;  // "InstallDir", "StartMenuGroup" registered
  std::optional<V> client;
  V required, package;
  EarlierOutcome want;
  const char* versionText = nullptr;  // text 36 as shown, where the refusal fills it in
};

TEST(DecideEarlierInstallation, Table) {
  // clang-format off
  const Row rows[] = {
      {F, none, n, n, missing, {}, {}, kProceed},
      {F, none, y, y, missing, {}, {}, kProceed},  // a directory alone is no installation
      {F, 0, y, y, V{1, 1}, {}, {}, Refused(0, kMsgUninstallPreviousFirst, kMsgError)},
      {F, 1, n, n, missing, {}, {}, Refused(1, kMsgUninstallPreviousFirst, kMsgError)},
      {F, 7, n, n, missing, {}, {}, Refused(1, kMsgUninstallPreviousFirst, kMsgError)},
      {3, 0, n, n, missing, {}, {}, kProceed},
      {U, none, y, y, V{806, 1}, {}, {807, 3}, Refused(none, kMsgRegistryReadFailed, kMsgError)},
      {U, 1, n, y, V{806, 1}, {}, {807, 3},
       Refused(1, kMsgInstallDirectoryUnknown, kMsgRegistryAccessFailure)},
      {U, 0, y, n, V{806, 1}, {}, {807, 3}, Refused(0, kMsgRegistryReadFailed, kMsgError)},
      {U, 0, y, y, missing, {}, {807, 3}, Refused(0, kClientPathText, kMsgMissingClientFile)},
      {U, 0, y, y, V{806, 1}, {806, 1}, {807, 3}, Adopt(0)},
      {U, 0, y, y, V{806, 2}, {806, 1}, {807, 3}, Wrong(0),
       "Dieses Update kann nur auf Clientversion 0.806.1 aufgespielt werden."},
      {U, 1, y, y, V{805, 1}, {806, 1}, {807, 3}, Wrong(1),
       "This update can only be installed on client version 0.806."},
      {U, 1, y, y, V{807, 2}, {}, {807, 3}, Adopt(1)},
      {U, 0, y, y, V{806, 9}, {}, {807, 3}, Adopt(0)},
      {U, 1, y, y, V{807, 3}, {}, {807, 3}, Refused(1, kMsgAlreadyUpdated)},
      {U, 0, y, y, V{808, 0}, {}, {807, 3}, Refused(0, kMsgAlreadyUpdated)},
      {U, 1, y, y, V{807, 0x80000000u}, {}, {807, 3}, Refused(1, kMsgAlreadyUpdated)},  // unsigned
      // A required half of 0 accepts any value, and a given one skips the age test.
      {U, 1, y, y, V{806, 77}, {806, 0}, {805, 1}, Adopt(1)},
      {U, 0, y, y, V{807, 0}, {806, 0}, {805, 1}, Wrong(0),
       "Dieses Update kann nur auf Clientversion 0.806.0 aufgespielt werden."},
      {U, 1, y, y, V{900, 5}, {0, 5}, {807, 3}, Adopt(1)},
      {U, 1, y, y, V{900, 4}, {0, 5}, {807, 3}, Wrong(1)},
      {U, 1, y, y, V{807, 3}, {807, 3}, {807, 4}, Adopt(1)},  // the demo update
      {U, 1, y, y, V{807, 4}, {807, 3}, {807, 4}, Wrong(1),
       "This update can only be installed on client version 0.807."},
      {U, 9, y, y, V{806, 1}, {}, {807, 3}, Adopt(1)},  // a foreign number speaks English
  };
  // clang-format on
  int index = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(index++);
    const EarlierFacts facts{r.kind, r.language, r.dir, r.group, r.client, r.package, r.required};
    const EarlierOutcome got = DecideEarlierInstallation(facts);
    EXPECT_TRUE(got == r.want) << int(got.verdict) << " text " << got.text << " caption "
                               << got.caption << " language " << got.language.value_or(99);
    if (r.versionText == nullptr) continue;
    CLang::SetLanguage(*got.language);
    EXPECT_EQ(WrongClientVersionText(CLang::GetText(got.text), r.required), r.versionText);
  }
}

}  // namespace
}  // namespace setup
