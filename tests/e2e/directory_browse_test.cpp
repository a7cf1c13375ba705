// Browsing in the directory dialog: which folder the list opens, and which
// installation directory each opened folder proposes.
#include <gtest/gtest.h>

#include "directory_support.h"

namespace e2e {
namespace {

TEST(DirectoryDialog, OpensAtTheFolderOfTheWizardsDirectoryAndShowsItsText) {
  DirectoryDialogRun run;
  const std::string wizardDirectory = run.WizardControl("Edit1").Text();
  ASSERT_EQ(wizardDirectory, "C:\\Program Files\\Tidemoor");
  const driver::Window dialog = run.OpenDialog();
  EXPECT_EQ(dialog.Child("Edit1").Text(), wizardDirectory);
  const driver::Window list = dialog.Child("DirectoryListBox1");
  const std::vector<std::string> entries = ListEntries(list);
  ASSERT_EQ(OpenFolderIndex(list), 1);
  EXPECT_EQ(entries[0], "C:\\");
  EXPECT_EQ(entries[1], "Program Files");
  EXPECT_EQ(dialog.Child("DriveComboBox1").ComboSelectedText().substr(0, 2), "C:");
  EXPECT_FALSE(run.WizardControl("Button1").IsUsable()) << "the dialog is modal";
}

TEST(DirectoryDialog, TheDriveRootProposesTheProductFolderOnIt) {
  DirectoryDialogRun run;
  const driver::Window dialog = run.OpenDialog();
  DoubleClickEntry(dialog.Child("DirectoryListBox1"), 0);
  EXPECT_EQ(dialog.Child("Edit1").Text(), "C:\\Tidemoor");
}

TEST(DirectoryDialog, AFolderOnAnotherDriveProposesTheProductFolderInIt) {
  DriveDFolder drive;
  drive.Make("Games");
  DirectoryDialogRun run;
  const driver::Window dialog = run.OpenDialog();
  ChooseDrive(dialog.Child("DriveComboBox1"), 'D');
  EXPECT_EQ(dialog.Child("Edit1").Text(), "D:\\Tidemoor");
  Browse(dialog, drive.Path() + "\\Games");
  EXPECT_EQ(dialog.Child("Edit1").Text(), drive.Path() + "\\Games\\Tidemoor");
}

TEST(DirectoryDialog, AFolderThatHoldsTheProductFolderIsProposedUnchanged) {
  DriveDFolder drive;
  drive.Make("Games\\Tidemoor\\Data");
  DirectoryDialogRun run;
  const driver::Window dialog = run.OpenDialog();
  Browse(dialog, drive.Path() + "\\Games\\Tidemoor\\Data");
  EXPECT_EQ(dialog.Child("Edit1").Text(), drive.Path() + "\\Games\\Tidemoor\\Data");
  DoubleClickEntry(dialog.Child("DirectoryListBox1"), 3);  // ...\Games\Tidemoor
  EXPECT_EQ(dialog.Child("Edit1").Text(), drive.Path() + "\\Games\\Tidemoor");
}

TEST(DirectoryDialog, TheProductFolderIsMatchedWithItsLetterCase) {
  DriveDFolder drive;
  drive.Make("spiele\\tidemoor");
  DirectoryDialogRun run;
  const driver::Window dialog = run.OpenDialog();
  Browse(dialog, drive.Path() + "\\spiele\\tidemoor");
  EXPECT_EQ(dialog.Child("Edit1").Text(), drive.Path() + "\\spiele\\tidemoor\\Tidemoor");
}

TEST(DirectoryDialog, AClickThatOpensNothingRewritesTheTextFromTheOpenFolder) {
  DirectoryDialogRun run;
  const driver::Window dialog = run.OpenDialog();
  dialog.Child("Edit1").Type("E:\\typed");
  const driver::Window list = dialog.Child("DirectoryListBox1");
  driver::SendAsUser(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 8));
  driver::SendAsUser(list, WM_LBUTTONUP, 0, MAKELPARAM(40, 8));
  EXPECT_EQ(ListEntries(list)[static_cast<size_t>(OpenFolderIndex(list))], "Program Files");
  EXPECT_EQ(dialog.Child("Edit1").Text(), "C:\\Program Files\\Tidemoor");
}

}  // namespace
}  // namespace e2e
