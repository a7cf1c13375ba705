#include "apply_plan.h"

#include <gtest/gtest.h>

namespace {

feed::Release ReleaseB() {
  feed::Release b;
  b.directories = {"data", "data/maps", "uninstall"};
  for (const char* name :
       {"TDMClient.exe", "a.txt", "data/b.dat", "data/maps/c.map", "uninstall/0.2.0.lst",
        "readme.txt", "../outside.txt", "sub/nul.txt", "DATA/B.DAT"})
    b.files.push_back({name, 0, {}});
  b.shortcuts = {{"TDMClient.exe", 23}, {"a.txt", 24}};
  b.readmeFiles = {"liesmich.txt", "readme.txt"};
  b.readmeLinks = {"Liesmich.lnk", "Readme.lnk"};
  return b;
}

TEST(ApplyPlan, FilesObsoleteAndNewFoldersAsTheApplyMovesThem) {
  struct Row {
    std::vector<std::size_t> files;
    std::vector<bool> folderThere;  // a folder not known to be there is a new one
    bool ok;
    journal::Plan plan;
  } const rows[] = {
      {{0, 3, 4},
       {true, false, true},
       true,
       {{"TDMClient.exe", "data\\maps\\c.map", "uninstall\\0.2.0.lst"},
        {"old.txt"},
        {"data\\maps"}}},
      {{1}, {}, true, {{"a.txt"}, {"old.txt"}, {"data", "data\\maps", "uninstall"}}},
      {{6}, {true, true, true}, false, {}},
      {{7}, {true, true, true}, false, {}},
      {{9}, {true, true, true}, false, {}},
      // Two names Windows takes for one would share one backup.
      {{2, 8}, {true, true, true}, false, {}},
  };
  for (const Row& row : rows) {
    journal::Plan plan;
    EXPECT_EQ(updater::PlanApply(
                  ReleaseB(), row.files,
                  {"TDMClient.exe", "a.txt", "old.txt", "Data\\B.dat", "uninstall\\0.1.0.lst"},
                  row.folderThere, plan),
              row.ok);
    if (!row.ok) continue;
    EXPECT_EQ(plan.files, row.plan.files);
    EXPECT_EQ(plan.obsolete, row.plan.obsolete);
    EXPECT_EQ(plan.newFolders, row.plan.newFolders);
  }
}

TEST(ApplyPlan, LinksInTheInstallationsLanguageAndBackFromTheirText) {
  const journal::LinkPlan links =
      updater::PlanLinks(ReleaseB(), {"C:\\T", true, 0, "Games\\Tidemoor", true, {}});
  EXPECT_EQ(links, (journal::LinkPlan{true,
                                      "Games\\Tidemoor",
                                      {{"Tidemoor.lnk", "TDMClient.exe"},
                                       {"Tidemoor Einstellungen.lnk", "a.txt"},
                                       {"Liesmich.lnk", "liesmich.txt"}}}));
  journal::LinkPlan read;
  EXPECT_TRUE(journal::ReadLinkPlan(journal::LinkPlanText(links), read));
  EXPECT_EQ(read, links);
  for (const char* bad : {"scope user\n", "group G\n", "scope user\ngroup G",
                          "scope all\ngroup G\nlink a|..\\x\n", "scope all\ngroup G\nlink a\\b|x\n",
                          "scope all\nscope all\ngroup G\n", "scope some\ngroup G\n",
                          "scope all\ngroup G\nlink a|b|c\n", "scope all\ngroup G\nicon x\n"})
    EXPECT_FALSE(journal::ReadLinkPlan(bad, read)) << bad;
}

}  // namespace
