#include "removal_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "command_options.h"
#include "uninstall_entries.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated: only what matters

namespace uninstall {
namespace {

using Names = std::vector<std::string>;

TEST(InstallList, LinesTable) {
  struct Row {
    const char* text;
    Names directories, files, desktop, readmeGerman;
    std::vector<std::uint32_t> ids;
    int refused;
  };
  // clang-format off
  const Row rows[] = {
      {"D data\r\nD data\\maps\r\nF data\\maps\\a.map\r\n", {"data", "data\\maps"}, {"data\\maps\\a.map"}, {}, {}, {}, 0},
      {"F data/x.dat\nL Tidemoor.lnk\nS 25\nR0 Wichtig.lnk\n", {}, {"data\\x.dat"}, {"Tidemoor.lnk"}, {"Wichtig.lnk"}, {25}, 0},
      // Nothing outside the installation directory, nothing unknown.
      {"F ..\\boot.ini\nF \\Windows\\x\nF C:\\x\nF a\\\\b\nF a\\.\\b\nF \nD ..\nX a\nS 2x\nS\nL a\\b.lnk\nFdata\n\n", {}, {}, {}, {}, {}, 12},
      // Nothing Windows would read as something else: a device, a name it trims.
      {"F CON\nF sub\\nul.txt\nD com1\nF a.\\x\nF a \nF ...\nF a\x01b\nF a|b\nF data\\x.dat\n", {}, {"data\\x.dat"}, {}, {}, {}, 8},
  };
  // clang-format on
  for (const Row& row : rows) {
    InstallList list;
    EXPECT_EQ(ReadInstallList(row.text, list), row.refused) << row.text;
    EXPECT_EQ(std::tie(list.directories, list.files, list.desktopLinks, list.readmeLinks[0]),
              std::tie(row.directories, row.files, row.desktop, row.readmeGerman))
        << row.text;
    EXPECT_EQ(list.shortcutIds, row.ids) << row.text;
  }
}

TEST(RemovalPlan, OrderTable) {
  struct Row {
    Names lists;
    std::vector<TreeEntry> everything;
    Names files, directories;
  };
  const Names listFiles{"uninstall\\0.807.3.lst", "uninstall\\0.807.4.lst"};
  // clang-format off
  const Row rows[] = {
      // Two releases: each file once (letter case aside), the lists apart, deepest first.
      {{"D uninstall\nD data\nD data\\maps\nF a.exe\nF uninstall\\0.807.3.lst\n",
        "D data\nD data\\maps\\coast\nF A.EXE\nF data\\maps\\b.map\nF UNINSTALL\\0.807.4.LST\n"},
       {}, {"a.exe", "data\\maps\\b.map"}, {"data\\maps\\coast", "data\\maps", "uninstall", "data"}},
      // Everything: the player's files and folders join, still deepest first.
      {{"D data\nF a.exe\n"}, {{"save", true}, {"save\\slot1.sav", false}, {"A.exe", false}, {"save\\old", true}},
       {"a.exe", "save\\slot1.sav"}, {"save\\old", "data", "save"}},
  };
  // clang-format on
  for (const Row& row : rows) {
    InstallList lists;
    for (const std::string& text : row.lists) ReadInstallList(text, lists);
    const RemovalPlan plan = PlanRemoval(lists, listFiles, row.everything);
    EXPECT_EQ(std::tie(plan.files, plan.listFiles, plan.directories),
              std::tie(row.files, listFiles, row.directories));
    // Only what was found in a folder emptied wholesale must go; a listed folder may stay.
    for (std::size_t i = 0; i < plan.directories.size(); ++i)
      EXPECT_EQ(plan.mustGo[i], !row.everything.empty() && plan.directories[i] != "data");
  }
  for (const char* name : {"uninstall\\created.lst", "uninstall\\a\\b.lst", "data\\x.lst"})
    EXPECT_FALSE(IsListFileName(name)) << name;
  EXPECT_TRUE(IsListFileName("UNINSTALL\\0.807.3.LST"));
}

TEST(CommandOptions, RefusedAndHandedToTheCopy) {
  CommandOptions copy;
  for (const char* tail : {"/run 12", "/run x C:\\a", "/quiet", "-debug x"})
    EXPECT_FALSE(ParseCommandOptions(tail, copy)) << tail;
  ASSERT_TRUE(ParseCommandOptions(CopyCommandTail({true}, 7, "C:\\T d"), copy));
  EXPECT_TRUE(copy.silent && copy.role == Role::Copy && copy.originalProcess == 7);
  EXPECT_EQ(copy.installDir, "C:\\T d");
}

// mksetup's list read back: every folder and file (the uninstaller and the list too)
// and the links; a payload holding either name is refused.
TEST(InstallList, WrittenByMksetup) {
  const auto folder = std::filesystem::temp_directory_path() / "tdm-uninstall-list-test";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "u.exe") << "MZ";
  const mksetup::Manifest manifest{.folder = folder,
                                   .packageVersionMS = 807,
                                   .packageVersionLS = 4,
                                   .uninstaller = {"u.exe", "m.ini line 9"}};
  archive::ArchiveDescription d{.directories = {"data"},
                                .readmes = {{{"a", "Wichtig.lnk"}, {"b", "Important.lnk"}}},
                                .files = {{"data/a.map", 0, 1, {}, {}}},
                                .desktopLinkName = "Tidemoor.lnk",
                                .shortcuts = {{"uninstall.exe", 25}}};
  std::string error;
  ASSERT_TRUE(mksetup::AddUninstaller(manifest, d, error)) << error;
  ASSERT_EQ(d.files.size(), 3u);
  EXPECT_EQ(d.files[2].name + ":" + std::string(d.files[2].bytes.begin(), d.files[2].bytes.end()),
            "uninstall/0.807.4.lst:D data\r\nD uninstall\r\nF data\\a.map\r\nF uninstall.exe\r\n"
            "F uninstall\\0.807.4.lst\r\nL Tidemoor.lnk\r\nS 25\r\nR0 Wichtig.lnk\r\n"
            "R1 Important.lnk\r\n");
  for (const char* clash : {"Uninstall.EXE", "uninstall/0.807.4.lst"}) {
    archive::ArchiveDescription taken;
    taken.files = {{clash, 0, 1, {}, {}}};
    EXPECT_FALSE(mksetup::AddUninstaller(manifest, taken, error)) << clash;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace uninstall
