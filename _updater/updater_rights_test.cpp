#include "updater_rights.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(UpdaterRights, WhoMayChangeTheInstallation) {
  const struct {
    bool allUsers, elevated, silent, child;
    Rights rights;
  } rows[] = {
      {false, false, false, false, Rights::kApplyHere},
      {false, false, true, false, Rights::kApplyHere},
      {false, true, false, false, Rights::kApplyHere},
      {true, true, true, false, Rights::kApplyHere},
      {true, false, false, false, Rights::kElevatedChild},
      {true, false, true, false, Rights::kRefuse},  // unattended: nobody answers a prompt
      {true, true, true, true, Rights::kApplyHere},
      {true, false, true, true, Rights::kRefuse},  // a child the prompt did not elevate
      {false, true, true, true, Rights::kRefuse},  // a child for a player's installation
      {false, false, true, true, Rights::kRefuse},
  };
  for (const auto& row : rows)
    EXPECT_EQ(DecideRights(row.allUsers, row.elevated, row.silent, row.child), row.rights)
        << row.allUsers << row.elevated << row.silent << row.child;
}

TEST(UpdaterRights, AChildRunsOnlyFromTheInstallationsOwnFolder) {
  EXPECT_TRUE(
      ChildRunsFromInstallation("C:\\Program Files\\Tidemoor", "C:\\Program Files\\Tidemoor"));
  EXPECT_TRUE(
      ChildRunsFromInstallation("C:\\PROGRAM FILES\\TIDEMOOR", "C:\\Program Files\\Tidemoor\\"));
  EXPECT_FALSE(ChildRunsFromInstallation("C:\\Users\\p\\Downloads", "C:\\Program Files\\Tidemoor"));
  EXPECT_FALSE(
      ChildRunsFromInstallation("C:\\Program Files\\Tidemoor\\sub", "C:\\Program Files\\Tidemoor"));
  EXPECT_FALSE(ChildRunsFromInstallation("C:\\Program Files", "C:\\Program Files\\Tidemoor"));
  EXPECT_FALSE(ChildRunsFromInstallation("", ""));
}

}  // namespace
}  // namespace updater
