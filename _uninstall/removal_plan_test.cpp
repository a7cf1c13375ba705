#include "removal_plan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "command_options.h"
#include "uninstall_entries.h"

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
  const Row rows[] = {
      {"D data\r\nD data\\maps\r\nF data\\maps\\a.map\r\n",
       {"data", "data\\maps"},
       {"data\\maps\\a.map"},
       {},
       {},
       {},
       0},
      {"F data/x.dat\nL Tidemoor.lnk\nS 25\nR0 Wichtige Informationen.lnk\n",
       {},
       {"data\\x.dat"},
       {"Tidemoor.lnk"},
       {"Wichtige Informationen.lnk"},
       {25},
       0},
      {"F ..\\boot.ini\nF \\Windows\\x\nF C:\\x\nF a\\\\b\nF a\\.\\b\nF \nD ..\n",
       {},
       {},
       {},
       {},
       {},
       7},
      {"X what\nS 2x\nS\nL a\\b.lnk\nFdata\n\n\n", {}, {}, {}, {}, {}, 5},
  };
  for (const Row& row : rows) {
    InstallList list;
    EXPECT_EQ(ReadInstallList(row.text, list), row.refused) << row.text;
    EXPECT_EQ(list.directories, row.directories) << row.text;
    EXPECT_EQ(list.files, row.files) << row.text;
    EXPECT_EQ(list.desktopLinks, row.desktop) << row.text;
    EXPECT_EQ(list.readmeLinks[0], row.readmeGerman) << row.text;
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
  const Row rows[] = {
      // Two releases: each file once (letter case aside), list files after, deepest first.
      {{"D uninstall\nD data\nD data\\maps\nF a.exe\nF uninstall\\0.807.3.lst\n",
        "D data\nD data\\maps\\coast\nF A.EXE\nF data\\maps\\b.map\nF UNINSTALL\\0.807.4.LST\n"},
       {},
       {"a.exe", "data\\maps\\b.map"},
       {"data\\maps\\coast", "data\\maps", "uninstall", "data"}},
      // Everything: the player's files and folders join, still deepest first.
      {{"D data\nF a.exe\n"},
       {{"save", true}, {"save\\slot1.sav", false}, {"A.exe", false}, {"save\\old", true}},
       {"a.exe", "save\\slot1.sav"},
       {"save\\old", "data", "save"}},
  };
  for (const Row& row : rows) {
    InstallList lists;
    for (const std::string& text : row.lists) ReadInstallList(text, lists);
    const RemovalPlan plan = PlanRemoval(lists, listFiles, row.everything);
    EXPECT_EQ(plan.files, row.files);
    EXPECT_EQ(plan.listFiles, listFiles);
    EXPECT_EQ(plan.directories, row.directories);
  }
}

TEST(RemovalPlan, ListFileNames) {
  EXPECT_EQ(ListFileName(807, 3), "uninstall\\0.807.3.lst");
  for (const char* name : {"uninstall\\0.807.3.lst", "UNINSTALL\\x.LST"})
    EXPECT_TRUE(IsListFileName(name));
  for (const char* name :
       {"uninstall\\a\\b.lst", "uninstallx\\b.lst", "uninstall\\.lst", "uninstall\\b.txt"})
    EXPECT_FALSE(IsListFileName(name)) << name;
}

TEST(CommandOptions, Table) {
  struct Row {
    const char* tail;
    bool ok, silent = false, debug = false, copy = false;
    std::uint64_t handle = 0;
    const char* dir = "";
  };
  const Row rows[] = {
      {"", true, false, false, false, 0, ""},
      {" /s -DEBUG", true, true, true, false, 0, ""},
      {"/run 124 \"C:\\Program Files\\Tidemoor\" /S", true, true, false, true, 124,
       "C:\\Program Files\\Tidemoor"},
      {"/run 12", false},
      {"/run x C:\\a", false},
      {"/run 1 \"\"", false},
      {"/quiet", false},
  };
  for (const Row& row : rows) {
    CommandOptions options;
    ASSERT_EQ(ParseCommandOptions(row.tail, options), row.ok) << row.tail;
    if (!row.ok) continue;
    EXPECT_EQ(options.silent, row.silent) << row.tail;
    EXPECT_EQ(options.debug, row.debug) << row.tail;
    EXPECT_EQ(options.isCopy, row.copy) << row.tail;
    EXPECT_EQ(options.originalProcess, row.handle) << row.tail;
    EXPECT_EQ(options.installDir, row.dir) << row.tail;
    CommandOptions again;
    ASSERT_TRUE(ParseCommandOptions(CopyCommandTail(options, 7, "C:\\T d"), again));
    EXPECT_EQ(again.silent, row.silent);
    EXPECT_EQ(again.installDir, "C:\\T d");
  }
}

// mksetup's list read back: every directory and file of the archive, the uninstaller
// and the list included, and the links; a payload holding either name is refused.
TEST(InstallList, WrittenByMksetup) {
  const auto folder = std::filesystem::temp_directory_path() / "tdm-uninstall-list-test";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "u.exe") << "MZ";
  mksetup::Manifest manifest;
  manifest.folder = folder;
  manifest.packageVersionMS = 807;
  manifest.packageVersionLS = 4;
  manifest.uninstaller = {"u.exe", "m.ini line 9"};
  archive::ArchiveDescription d;
  d.directories = {"data"};
  d.files = {{"data/a.map", 0, 1, {}, {}}};
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"uninstall.exe", 25}};
  d.readmes = {{{"liesmich.txt", "Wichtig.lnk"}, {"readme.txt", "Important.lnk"}}};
  std::string error;
  ASSERT_TRUE(mksetup::AddUninstaller(manifest, d, error)) << error;
  ASSERT_EQ(d.files.size(), 3u);
  const std::string listed(d.files[2].bytes.begin(), d.files[2].bytes.end());
  EXPECT_EQ(d.files[2].name, "uninstall/0.807.4.lst");
  InstallList list;
  EXPECT_EQ(ReadInstallList(listed, list), 0);
  EXPECT_EQ(list.directories, (Names{"data", "uninstall"}));
  EXPECT_EQ(list.files, (Names{"data\\a.map", "uninstall.exe", "uninstall\\0.807.4.lst"}));
  EXPECT_EQ(list.desktopLinks, Names{"Tidemoor.lnk"});
  EXPECT_EQ(list.shortcutIds, std::vector<std::uint32_t>{25});
  EXPECT_EQ(list.readmeLinks[1], Names{"Important.lnk"});
  for (const char* clash : {"Uninstall.EXE", "uninstall/0.807.4.lst"}) {
    archive::ArchiveDescription taken;
    taken.files = {{clash, 0, 1, {}, {}}};
    EXPECT_FALSE(mksetup::AddUninstaller(manifest, taken, error)) << clash;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace uninstall
