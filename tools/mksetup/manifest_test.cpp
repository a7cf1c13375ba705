#include "manifest.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

const char kUpdate[] =
    "\xEF\xBB\xBF; Tidemoor 0.807 update\r\n"
    "[Setup]\r\n"
    "Kind = update\r\n"
    "Title = \"Tidemoor 0.807 \"\r\n"
    "InstallFolder = \\Tidemoor\r\n"
    "StartMenuGroup = Tidemoor\r\n"
    "PackageVersion = 807.3\r\n"
    "RequiredVersion = 806.1\r\n"
    "Payload = payload\r\n"
    "\r\n"
    "[Terms]\r\n"
    "German = terms_de.txt\r\n"
    "english = terms_en.txt\r\n"
    "[Readme]\n"
    "GermanFile = Liesmich.txt\n"
    "GermanLink = Liesmich.lnk\n"
    "EnglishFile = Readme.txt\n"
    "EnglishLink = Readme.lnk\n"
    "[Program]\n"
    "File = TDMClient.exe\n"
    "DesktopLink = Tidemoor.lnk\n"
    "[Shortcuts]\n"
    "# in start-menu order\n"
    "Uninstaller = uninstall.exe\n"
    "game = TDMClient.exe\n"
    "Shortcut = Options, the tool.exe ,24\n"
    "[Obsolete]\n"
    "File = old/patch.dll\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(Manifest, ReadsEveryKey) {
  Manifest m;
  std::string error;
  ASSERT_TRUE(
      ParseManifest(Replace(kUpdate, "Payload = payload", "Icon = art/t.ico"), "t.ini", m, error))
      << error;
  EXPECT_EQ(m.kind, archive::SetupKind::Update);
  EXPECT_EQ(m.title.value, "Tidemoor 0.807 ");  // quotes keep the blank
  EXPECT_EQ(m.title.where, "t.ini line 4, [Setup] Title");
  EXPECT_EQ(std::vector<std::uint32_t>(
                {m.packageVersionMS, m.packageVersionLS, m.requiredVersionMS, m.requiredVersionLS}),
            std::vector<std::uint32_t>({807, 3, 806, 1}));
  EXPECT_EQ(m.icon.value, "art/t.ico");
  EXPECT_EQ(m.payload.value, "");
  EXPECT_EQ(m.termsFile[1].value + m.readmeLink[1].value + m.desktopLink.value,
            "terms_en.txtReadme.lnkTidemoor.lnk");
  ASSERT_EQ(m.shortcuts.size(), 3u);  // written order is start-menu order
  const std::pair<std::string, std::uint32_t> shortcuts[] = {
      {"uninstall.exe", 25}, {"TDMClient.exe", 23}, {"Options, the tool.exe", 24}};
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(std::make_pair(m.shortcuts[i].target.value, m.shortcuts[i].linkNameId), shortcuts[i]);
  EXPECT_EQ(m.obsoleteFiles.at(0).value, "old/patch.dll");
}

TEST(Manifest, RefusalsNameTheLineAndKey) {
  const struct {
    const char *from, *to, *error;
  } rows[] = {
      {"Kind = update", "Kind = Patch",
       "t.ini line 3, [Setup] Kind: \"Patch\" is neither Full nor Update"},
      {"= 807.3", "= 807",
       "t.ini line 7, [Setup] PackageVersion: \"807\" is not a version like 807.3"},
      {"= 807.3", "= 4294967296.3", "is not a version like 807.3"},
      {"806.1", "806.x", "[Setup] RequiredVersion: \"806.x\" is not a version"},
      {"806.1", "1.2.3", "is not a version"},
      {"the tool.exe ,24", "the tool.exe, 22",
       "t.ini line 26, [Shortcuts] Shortcut: link name id 22 is none of the catalogue's link names "
       "23, 24 or 25"},
      {"the tool.exe ,24", "the tool.exe",
       "t.ini line 26, [Shortcuts] Shortcut: expected a target"},
      {"game =", "Uninstaller =", "t.ini line 25, [Shortcuts] Uninstaller: given twice"},
      {"game =", "Gamer =", "t.ini line 25, [Shortcuts] Gamer: unknown key"},
      {"Title =", "Titel =", "t.ini line 4, [Setup] Titel: unknown key"},
      {"[Program]", "[Programm]", "t.ini line 19: unknown section [Programm]"},
      {"StartMenuGroup = Tidemoor\r\n", "", "t.ini: [Setup] StartMenuGroup is missing"},
      {"Payload = payload", "Title = again", "t.ini line 9, [Setup] Title: given twice"},
      {"Kind = update", "Kind = Full",
       "t.ini line 27: [Obsolete] files are deleted only by an update, but Kind is Full"},
      {"\r\n\r\n", "\r\nno equals sign\r\n",
       "t.ini line 10: expected Key=Value, a [Section] or a comment"},
      {"\xEF\xBB\xBF; Tidemoor", "Kind = Full\n;",
       "t.ini line 1: an entry before the first [Section]"},
      {"[Readme]\n", "[Readme\n", "t.ini line 14: a section header must look like [Name]"},
      {"[Program]", "[Terms]", "t.ini line 19: section [Terms] appears twice"},
      {"[Program]\nFile = TDMClient.exe\nDesktopLink = Tidemoor.lnk\n", "",
       "t.ini: section [Program] is missing"},
  };
  for (const auto& row : rows) {
    Manifest m;
    std::string error;
    EXPECT_FALSE(ParseManifest(Replace(kUpdate, row.from, row.to), "t.ini", m, error)) << row.to;
    EXPECT_NE(error.find(row.error), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace mksetup
