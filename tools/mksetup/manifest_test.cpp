#include "manifest.h"

#include <gtest/gtest.h>

#include "name_rules.h"
#include "text_encoding.h"

namespace mksetup {
namespace {

const char kUpdate[] =
    "\xEF\xBB\xBF; update\r\n[Setup]\r\nKind = update\r\nTitle = \"Tidemoor 0.807 \"\r\n"
    "InstallFolder = \\T\r\nStartMenuGroup = T\r\nPackageVersion = 807.3\r\n"
    "RequiredVersion = 806.1\r\nIcon = art/t.ico\r\n\r\n"
    "[Terms]\nGerman = de.txt\nenglish = en.txt\n"
    "[Readme]\nGermanFile = L.txt\nGermanLink = L.lnk\nEnglishFile = R.txt\nEnglishLink = R.lnk\n"
    "[Program]\nFile = T.exe\nDesktopLink = T.lnk\n"
    "[Shortcuts]\n# in start-menu order\nUninstaller = u.exe\ngame = T.exe\n"
    "Shortcut = Options, the tool.exe ,24\n"
    "[Obsolete]\nFile = old/patch.dll\n[Uninstall]\nProgram = u.exe\n";

std::string Parse(const std::string& from = "", const std::string& to = "", Manifest* m = nullptr) {
  std::string text = kUpdate, error;
  Manifest ignored;
  return ParseManifest(text.replace(text.find(from), from.size(), to), "t.ini", m ? *m : ignored,
                       error)
             ? "read"
             : error;
}

TEST(Manifest, ReadsEveryKey) {
  Manifest m;
  ASSERT_EQ(Parse("", "", &m), "read");
  EXPECT_EQ(m.kind, archive::SetupKind::Update);
  EXPECT_EQ(m.title.value + "|" + m.title.where, "Tidemoor 0.807 |t.ini line 4, [Setup] Title");
  EXPECT_EQ(std::vector<std::uint32_t>(
                {m.packageVersionMS, m.packageVersionLS, m.requiredVersionMS, m.requiredVersionLS}),
            std::vector<std::uint32_t>({807, 3, 806, 1}));
  EXPECT_EQ(m.icon.value + m.payload.value + m.termsFile[1].value + m.readmeLink[1].value +
                m.desktopLink.value + m.obsoleteFiles.at(0).value,
            "art/t.icoen.txtR.lnkT.lnkold/patch.dll");
  std::string shortcuts;  // in the order written, each role as its link name id
  for (const ShortcutSetting& s : m.shortcuts)
    shortcuts += s.target.value + "=" + std::to_string(s.linkNameId) + ";";
  EXPECT_EQ(shortcuts, "u.exe=25;T.exe=23;Options, the tool.exe=24;");
}

TEST(Manifest, RefusalsNameTheLineAndKey) {
  const char* const rows[][3] = {
      {"= update", "= Patch", "line 3, [Setup] Kind: \"Patch\" is neither Full nor Update"},
      {"= 807.3", "= 807", "line 7, [Setup] PackageVersion: \"807\" is not a version like 807.3"},
      {"= 807.3", "= 4294967296.3", "\"4294967296.3\" is out of range"},
      {"= 807.3", "= 0.0", "line 7, [Setup] PackageVersion: 0.0 is no version"},
      {"= update", "= Full", "line 8, [Setup] RequiredVersion: a Full installs over nothing"},
      {"= 806.1", "= 807.3", "RequiredVersion: \"807.3\" admits a client at or above Pack"},
      {"= 806.1", "= 807.0", "\"807.0\" admits"},  // 0: any 807 build, 807.3 too
      {"= 806.1", "= 0.2", "\"0.2\" admits"},
      {"= 806.1", "= 807.2", "read"},
      {"= 806.1", "= 0.0", "read"},
      {" ,24", ", 23", "line 26, [Shortcuts] Shortcut: link name id 23 given twice"},
      {" ,24", ", 4294967296", "Shortcut: link name id 4294967296 is out of range"},
      {"[Uninstall]\nProgram = u.exe\n", "", "t.ini: [Uninstall] Program is missing"},
      {"\xEF\xBB\xBF; update", "\xFF\xFE;", "t.ini: the file is UTF-16 (what Notepad calls"},
      {" ,24", ", 22", "line 26, [Shortcuts] Shortcut: link name id 22 is none of the catalogue's"},
      {" ,24", "", "line 26, [Shortcuts] Shortcut: expected a target file, a comma"},
      {"game", "Uninstaller", "line 25, [Shortcuts] Uninstaller: link name id 25 given twice"},
      {"game", "Gamer", "line 25, [Shortcuts] Gamer: unknown key (Game, Settings"},
      {"[Program]", "[Programm]", "line 19: unknown section [Programm]"},
      {"StartMenuGroup = T\r\n", "", "t.ini: [Setup] StartMenuGroup is missing"},
      {"Icon = art/t.ico", "Title = x", "line 9, [Setup] Title: given twice"},
      {"update\r\nTitle", "Full\r\nTitle", "line 8, [Setup] RequiredVersion"},
      {"update\r\nTitle = \"Tidemoor 0.807 \"\r\nInstallFolder = \\T\r\nStartMenuGroup = T\r\n"
       "PackageVersion = 807.3\r\nRequiredVersion = 806.1",
       "Full\r\nTitle = x\r\nInstallFolder = \\T\r\nStartMenuGroup = T\r\nPackageVersion = "
       "807.3\r\n",
       "line 27: [Obsolete] files are deleted only by an update, but Kind"},
      {"\r\n\r\n", "\r\nno equals sign\r\n", "line 10: expected Key=Value, a [Section] or a"},
      {"; update", "Kind = Full", "line 1: an entry before the first [Section]"},
      {"[Readme]\n", "[Readme\n", "line 14: a section header must look like [Name]"},
      {"[Program]", "[Terms]", "line 19: section [Terms] appears twice"},
      {"[Program]\nFile = T.exe\nDesktopLink = T.lnk\n", "", "t.ini: section [Program] is missing"},
  };
  for (const auto& row : rows)
    EXPECT_NE(Parse(row[0], row[1]).find(row[2]), std::string::npos) << Parse(row[0], row[1]);
}

// Each row: the rule, the name, and a piece of the refusal ("" when it is accepted).
TEST(NameRules, AcceptOrRefuse) {
  const struct {
    const char* (*check)(std::string_view);
    const char *name, *problem;
  } rows[] = {
      {RelativeNameProblem, "data/maps/\xC4nderung.map", ""},
      {RelativeNameProblem, "COM0.txt", ""},
      {RelativeNameProblem, "console.log", ""},
      {RelativeNameProblem, "/etc/passwd", "is absolute"},
      {RelativeNameProblem, "C:evil.dll", "drive letter"},
      {RelativeNameProblem, "data\\evil.dll", "backslash"},
      {RelativeNameProblem, "data/../../evil.dll", "\"..\""},
      {RelativeNameProblem, "data//a", "empty component"},
      {RelativeNameProblem, "", "is empty"},
      {RelativeNameProblem, "a|b", "forbids"},
      {RelativeNameProblem, "a\x1F", "control character"},
      {RelativeNameProblem, "data/Aux.txt", "reserved device name"},
      {RelativeNameProblem, "data /a", "ends in a dot or blank"},
      {LinkNameProblem, "Liesmich.LNK", ""},
      {LinkNameProblem, ".lnk", "does not end in .lnk"},
      {InstallFolderProblem, "\\Games\\Tidemoor", ""},
      {InstallFolderProblem, "Tidemoor", "begin with a backslash"},
      {StartMenuGroupProblem, "Games\\Tidemoor", ""},
      {StartMenuGroupProblem, "\\Tidemoor", "must not begin with a backslash"},
  };
  for (const auto& row : rows) {
    const std::string problem = row.check(row.name) == nullptr ? "" : row.check(row.name);
    EXPECT_TRUE(problem.find(row.problem) != std::string::npos && problem.empty() == !*row.problem)
        << row.name << ": " << problem;
  }
  EXPECT_EQ(FoldCase("Readme.TXT \xC4"), FoldCase("README.txt \xE4"));  // Ä, ä
  EXPECT_NE(FoldCase("\xD7"), FoldCase("\xF7"));                        // ×, ÷: not letters
}

TEST(TextEncoding, ConvertsOrRefuses) {
  const struct {
    const char* utf8;
    bool ok;
    const char* expected;  // the Windows-1252 bytes, or a piece of the refusal
  } rows[] = {
      {"\xC3\x84nderungen \xC3\x9F\xE2\x82\xAC\xE2\x80\xA6\xC5\xB8", true,
       "\xC4nderungen \xDF\x80\x85\x9F"},
      {"Karte \xE4\xB8\xAD", false, "holds U+4E2D, which Windows-1252 cannot hold"},
      {"\xC2\x81", false, "U+0081"},  // a gap in Windows-1252
      {"ab\xC3", false, "not valid UTF-8 (byte 3)"},
      {"\xC0\x80", false, "not valid UTF-8"},      // overlong
      {"\xED\xA0\x80", false, "not valid UTF-8"},  // surrogate
      {"\xC4nderung", false, "not valid UTF-8"},   // Latin-1 given as UTF-8
  };
  for (const auto& row : rows) {
    std::string out, problem;
    const bool ok = Utf8ToWindows1252(row.utf8, out, problem);
    EXPECT_TRUE(ok == row.ok &&
                (ok ? out == row.expected : problem.find(row.expected) != std::string::npos))
        << row.utf8 << ": " << out << problem;
  }
  // Every byte Windows-1252 defines comes back from UTF-8 as itself.
  for (int byte = 1; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte)), undefined = "\x81\x8D\x8F\x90\x9D";
    std::string out, problem;
    const bool ok = Utf8ToWindows1252(Windows1252ToUtf8(text), out, problem) && out == text;
    EXPECT_EQ(ok, undefined.find(text) == std::string::npos) << byte;
  }
}

}  // namespace
}  // namespace mksetup
