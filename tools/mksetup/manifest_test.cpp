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
    "Shortcut = TDMClient.exe, 25\n"
    "Shortcut = Uninstall, the tool.exe,23\n"
    "Shortcut = Readme.txt , 24\n"
    "[Obsolete]\n"
    "File = old/patch.dll\n"
    "File = TDMClient.bak\n";

std::string Refusal(const std::string& text) {
  Manifest manifest;
  std::string error;
  EXPECT_FALSE(ParseManifest(text, "t.ini", manifest, error));
  return error;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

TEST(Manifest, ReadsEveryKey) {
  Manifest m;
  std::string error;
  ASSERT_TRUE(ParseManifest(kUpdate, "t.ini", m, error)) << error;
  EXPECT_EQ(m.kind, archive::SetupKind::Update);
  EXPECT_EQ(m.title.value, "Tidemoor 0.807 ");  // quotes keep the blank
  EXPECT_EQ(m.title.where, "t.ini line 4, [Setup] Title");
  EXPECT_EQ(m.installFolder.value, "\\Tidemoor");
  EXPECT_EQ(m.startMenuGroup.value, "Tidemoor");
  EXPECT_EQ(m.packageVersionMS, 807u);
  EXPECT_EQ(m.packageVersionLS, 3u);
  EXPECT_EQ(m.requiredVersionMS, 806u);
  EXPECT_EQ(m.requiredVersionLS, 1u);
  EXPECT_EQ(m.payload.value, "payload");
  EXPECT_EQ(m.termsFile[0].value, "terms_de.txt");
  EXPECT_EQ(m.termsFile[1].value, "terms_en.txt");
  EXPECT_EQ(m.readmeFile[0].value, "Liesmich.txt");
  EXPECT_EQ(m.readmeLink[1].value, "Readme.lnk");
  EXPECT_EQ(m.programFile.value, "TDMClient.exe");
  EXPECT_EQ(m.desktopLink.value, "Tidemoor.lnk");
  ASSERT_EQ(m.shortcuts.size(), 3u);
  EXPECT_EQ(m.shortcuts[0].target.value, "TDMClient.exe");
  EXPECT_EQ(m.shortcuts[0].linkNameId, 25u);
  EXPECT_EQ(m.shortcuts[1].target.value, "Uninstall, the tool.exe");
  EXPECT_EQ(m.shortcuts[1].linkNameId, 23u);
  EXPECT_EQ(m.shortcuts[2].target.value, "Readme.txt");
  EXPECT_EQ(m.shortcuts[2].linkNameId, 24u);
  ASSERT_EQ(m.obsoleteFiles.size(), 2u);
  EXPECT_EQ(m.obsoleteFiles[1].value, "TDMClient.bak");
}

TEST(Manifest, OptionalKeysDefault) {
  Manifest m;
  std::string error;
  std::string text = Replace(kUpdate, "RequiredVersion = 806.1\r\n", "");
  text = Replace(text, "Payload = payload\r\n", "");
  ASSERT_TRUE(ParseManifest(text, "t.ini", m, error)) << error;
  EXPECT_EQ(m.requiredVersionMS, 0u);
  EXPECT_EQ(m.requiredVersionLS, 0u);
  EXPECT_TRUE(m.payload.value.empty());
}

TEST(Manifest, RefusalsNameTheLineAndKey) {
  EXPECT_EQ(Refusal(Replace(kUpdate, "Kind = update", "Kind = Patch")),
            "t.ini line 3, [Setup] Kind: \"Patch\" is neither Full nor Update");
  EXPECT_EQ(Refusal(Replace(kUpdate, "PackageVersion = 807.3", "PackageVersion = 807")),
            "t.ini line 7, [Setup] PackageVersion: \"807\" is not a version like 807.3");
  EXPECT_NE(Refusal(Replace(kUpdate, "806.1", "806.x")).find("RequiredVersion"), std::string::npos);
  EXPECT_NE(Refusal(Replace(kUpdate, "807.3", "4294967296.3")).find("not a version"),
            std::string::npos);
  EXPECT_EQ(Refusal(Replace(kUpdate, "Readme.txt , 24", "Readme.txt, 22")),
            "t.ini line 26, [Shortcuts] Shortcut: link name id 22 is none of the catalogue's "
            "link names 23, 24 or 25");
  EXPECT_NE(Refusal(Replace(kUpdate, "Readme.txt , 24", "Readme.txt")).find("line 26"),
            std::string::npos);
  EXPECT_EQ(Refusal(Replace(kUpdate, "Title =", "Titel =")),
            "t.ini line 4, [Setup] Titel: unknown key");
  EXPECT_EQ(Refusal(Replace(kUpdate, "[Program]", "[Programm]")),
            "t.ini line 19: unknown section [Programm]");
  EXPECT_EQ(Refusal(Replace(kUpdate, "StartMenuGroup = Tidemoor\r\n", "")),
            "t.ini: [Setup] StartMenuGroup is missing");
  EXPECT_EQ(Refusal(Replace(kUpdate, "Payload = payload", "Title = again")),
            "t.ini line 9, [Setup] Title: given twice");
  EXPECT_EQ(Refusal(Replace(kUpdate, "Kind = update", "Kind = Full")),
            "t.ini line 27: [Obsolete] files are deleted only by an update, but Kind is Full");
  EXPECT_EQ(Refusal(Replace(kUpdate, "\r\n\r\n", "\r\nno equals sign\r\n")),
            "t.ini line 10: expected Key=Value, a [Section] or a comment");
  EXPECT_EQ(Refusal(std::string("Kind = Full\n") + kUpdate),
            "t.ini line 1: an entry before the first [Section]");
  EXPECT_EQ(Refusal(Replace(kUpdate, "[Readme]\n", "[Readme\n")),
            "t.ini line 14: a section header must look like [Name]");
  EXPECT_EQ(Refusal(Replace(kUpdate, "[Program]", "[Terms]")),
            "t.ini line 19: section [Terms] appears twice");
  std::string noProgram = kUpdate;
  noProgram =
      Replace(noProgram, "[Program]\nFile = TDMClient.exe\nDesktopLink = Tidemoor.lnk\n", "");
  EXPECT_EQ(Refusal(noProgram), "t.ini: section [Program] is missing");
}

TEST(Manifest, VersionsAreTwoDecimalU32s) {
  std::uint32_t ms = 0, ls = 0;
  EXPECT_TRUE(ParseVersion("4294967295.0", ms, ls));
  EXPECT_EQ(ms, 4294967295u);
  EXPECT_FALSE(ParseVersion("1.2.3", ms, ls));
  EXPECT_FALSE(ParseVersion(".3", ms, ls));
  EXPECT_FALSE(ParseVersion("-1.3", ms, ls));
  EXPECT_FALSE(ParseVersion("807.", ms, ls));
}

}  // namespace
}  // namespace mksetup
