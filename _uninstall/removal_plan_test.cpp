#include "removal_plan.h"

#include <gtest/gtest.h>

#include <tuple>

#include "command_options.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated: only what matters

namespace uninstall {
namespace {

using Names = std::vector<std::string>;

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
}

TEST(CommandOptions, RefusedAndHandedToTheCopy) {
  CommandOptions copy;
  for (const char* tail : {"/run 12", "/run x C:\\a", "/quiet", "-debug x"})
    EXPECT_FALSE(ParseCommandOptions(tail, copy)) << tail;
  ASSERT_TRUE(ParseCommandOptions(CopyCommandTail({true}, 7, "C:\\T d"), copy));
  EXPECT_TRUE(copy.silent && copy.role == Role::Copy && copy.originalProcess == 7);
  EXPECT_EQ(copy.installDir, "C:\\T d");
}

}  // namespace
}  // namespace uninstall
