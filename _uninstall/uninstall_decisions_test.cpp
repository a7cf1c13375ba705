#include "uninstall_decisions.h"

#include <gtest/gtest.h>

#include "command_options.h"

namespace uninstall {
namespace {

TEST(Wholesale, FoldersTable) {
  const GuardFacts facts{{"C:\\Windows", "C:\\Users\\Ann", "C:\\Users\\Ann\\Documents",
                          "C:\\Program Files", "D:\\Users\\Public"},
                         {"D:\\Games\\Other", FolderOfCommand("\"D:\\Tools\\x\\u.exe\" /S")}};
  const struct {
    const char* folder;
    Wholesale expected;
  } rows[] = {
      {"D:", Wholesale::NotAPlainFolder},
      {"D:\\", Wholesale::NotAPlainFolder},
      {"\\\\nas\\games\\", Wholesale::NotAPlainFolder},
      {"games", Wholesale::NotAPlainFolder},
      {"C:\\Games\\..\\Windows", Wholesale::NotAPlainFolder},
      {"c:\\windows\\", Wholesale::SharedFolder},
      {"C:\\Users", Wholesale::SharedFolder},
      {"C:/Users/ann/documents", Wholesale::SharedFolder},
      {"D:\\GAMES", Wholesale::OtherProduct},  // above another product
      {"D:\\Tools\\x", Wholesale::OtherProduct},
      {"C:\\Users\\Ann\\Documents\\Tidemoor", Wholesale::Allowed},
      {"D:\\Games\\Tidemoor", Wholesale::Allowed},  // beside another product, not above it
      {"D:\\Games\\Oth", Wholesale::Allowed},
      {"\\\\nas\\games\\Tidemoor", Wholesale::Allowed},
  };
  for (const auto& row : rows)
    EXPECT_EQ(MayEmptyWholesale(row.folder, facts), row.expected) << row.folder;
}

TEST(Wholesale, FolderOfCommandTable) {
  const std::pair<const char*, const char*> rows[] = {
      {"\"C:\\Program Files\\A b\\unins000.exe\" /SILENT", "C:\\Program Files\\A b"},
      {"C:\\Program Files\\A b\\uninst.exe /S", "C:\\Program Files\\A b"},
      {"C:\\Games\\x.exe,0", "C:\\Games"},
      {"MsiExec.exe /X{1234}", ""},
      {"", ""},
  };
  for (const auto& [command, folder] : rows) EXPECT_EQ(FolderOfCommand(command), folder) << command;
}

TEST(Wholesale, RootsFromTheRecordTable) {
  using Roots = std::vector<std::string>;
  const struct {
    const char* record;
    Roots roots;
  } rows[] = {
      {"I 2\r\nD data\r\n", {""}},  // the installation folder itself
      {"D data\nD data\\maps\nD save\nD data2\n", {"data", "save", "data2"}},
      {"", {}},  // made before records were kept: nothing
      {"D ..\\x\n", {}},
      {"I x\n", {}},
  };
  for (const auto& row : rows) {
    created::CreatedRecord record;
    created::ReadCreatedRecord(row.record, record);
    EXPECT_EQ(WholesaleRoots(record), row.roots) << row.record;
  }
}

TEST(Decisions, ElevationTable) {
  using E = Elevation;
  using N = MachineNeed;
  const struct {
    N need;
    bool elevated, silent, isCopy, restarted, folderSafe;
    E expected;
  } rows[] = {
      {N::kNone, false, false, false, false, false, E::Proceed},  // a current user never asks
      {N::kNone, false, true, true, false, true, E::Proceed},
      {N::kAllUsers, true, true, true, false, false, E::Proceed},
      {N::kAllUsers, false, false, false, false, true, E::Restart},
      {N::kAllUsers, false, false, false, false, false, E::RefuseFolder},
      {N::kAllUsers, false, true, false, false, true, E::Refuse},  // /S never prompts
      {N::kAllUsers, false, false, true, false, true, E::Refuse},  // a copy is never elevated
      {N::kAllUsers, false, false, false, true, true, E::Refuse},  // asked once already
      // The player's own folder: only the machine's entry goes elevated, never a program.
      {N::kEntry, false, false, false, false, false, E::EntryByAdministrator},
      {N::kEntry, false, false, true, false, false, E::EntryByAdministrator},
      {N::kEntry, false, true, true, false, true, E::Refuse},
      {N::kEntry, true, false, true, false, false, E::Proceed},
  };
  for (const auto& r : rows)
    EXPECT_EQ(DecideElevation(r.need, r.elevated, r.silent, r.isCopy, r.restarted, r.folderSafe),
              r.expected)
        << static_cast<int>(r.need) << r.elevated << r.silent << r.isCopy << r.restarted;
}

TEST(Decisions, ProductKeyTable) {
  EXPECT_EQ(DecideProductKey(true, true, true), ProductKey::DeleteTree);
  EXPECT_EQ(DecideProductKey(false, false, false), ProductKey::Delete);
  EXPECT_EQ(DecideProductKey(false, false, true), ProductKey::Keep);  // the game's options
  EXPECT_EQ(DecideProductKey(false, true, false), ProductKey::Keep);
}

TEST(Decisions, CreatedRecordAndGroupLevels) {
  created::CreatedRecord record{2, {"data", "data\\maps"}, 1};
  created::CreatedRecord read;
  ASSERT_TRUE(created::ReadCreatedRecord(created::WriteCreatedRecord(record), read));
  EXPECT_EQ(std::tie(read.installLevels, read.folders, read.groupLevels),
            std::tie(record.installLevels, record.folders, record.groupLevels));
  // A folder of the record is a name the installation may hold, as the lists' are.
  EXPECT_FALSE(created::ReadCreatedRecord("D data\r\nD d#ta|maps\r\n", read));
  std::vector<std::string> levels;
  EXPECT_TRUE(created::SplitGroup("Games\\Tidemoor", levels) && levels.size() == 2);
  for (const char* group :
       {"", "..\\Startup", "a\\\\b", "C:\\x", "a\\.", "d#ta|maps", "Games\\CON"})
    EXPECT_FALSE(created::SplitGroup(group, levels)) << group;
}

TEST(CommandOptions, SilentEvenWhenRefusedAndTheFinisher) {
  CommandOptions options;
  EXPECT_FALSE(ParseCommandOptions("/S /bogus", options));
  EXPECT_TRUE(options.silent);
  for (const char* tail :
       {"/finish 3 x \"C:\\T\"", "/finish 3 200 \"C:\\T\"", "/run 3 \"C:\\T\" /elevated"})
    EXPECT_FALSE(ParseCommandOptions(tail, options)) << tail;
  options.installDir = "C:\\T d";
  ASSERT_TRUE(ParseCommandOptions(FinisherCommandTail(options, 9, 2), options));
  EXPECT_TRUE(options.role == Role::Finisher && options.levels == 2 &&
              options.installDir == "C:\\T d");
  ASSERT_TRUE(ParseCommandOptions("/elevated -debug", options));
  EXPECT_TRUE(options.restarted && options.role == Role::Original);
}

}  // namespace
}  // namespace uninstall
