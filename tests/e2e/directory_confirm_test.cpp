// Leaving the directory dialog: what OK, Cancel, Enter, Esc and the close box hand to
// the wizard, and the disk figures on both.
#include <gtest/gtest.h>

#include "directory_support.h"

namespace e2e {
namespace {

TEST(DirectoryDialog, OkHandsTheTextWithoutOneTrailingBackslashToTheWizard) {
  DirectoryDialogRun run;
  driver::Window dialog = run.OpenDialog();
  dialog.Child("Edit1").Type("E:\\Spiele\\Tidemoor\\");
  dialog.Child("Button1").Click();
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), "E:\\Spiele\\Tidemoor");
  EXPECT_EQ(run.WizardControl("Button1").Text(), kStart);

  dialog = run.OpenDialog();
  EXPECT_EQ(dialog.Child("Edit1").Text(), "E:\\Spiele\\Tidemoor\\") << "the dialog keeps its text";
  dialog.Child("Edit1").Type("C:\\");
  dialog.Child("Button1").Click();
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), "C:");
}

TEST(DirectoryDialog, CancelKeepsTheWizardsTextAndTheDialogKeepsItsOwn) {
  DirectoryDialogRun run;
  const std::string before = run.WizardControl("Edit1").Text();
  driver::Window dialog = run.OpenDialog();
  dialog.Child("Edit1").Type("D:\\Elsewhere");
  dialog.Child("Button2").Click();
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), before);
  EXPECT_TRUE(run.WizardControl("Button1").IsUsable());

  dialog = run.OpenDialog();
  EXPECT_EQ(dialog.Child("Edit1").Text(), "D:\\Elsewhere");
  dialog.Close();  // the close box cancels too
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), before);
}

TEST(DirectoryDialog, EnterConfirmsAndEscCancels) {
  DirectoryDialogRun run;
  driver::Window dialog = run.OpenDialog();
  dialog.Child("Edit1").Type("C:\\Games\\Tidemoor");
  PostMessageA(dialog.Child("Edit1").Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), "C:\\Program Files\\Tidemoor");

  dialog = run.OpenDialog();
  PostMessageA(dialog.Child("Edit1").Handle(), WM_KEYDOWN, VK_RETURN, 0);
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), "C:\\Games\\Tidemoor");
}

TEST(DirectoryDialog, OkWithAnEmptyTextIsReportedAsARangeCheckError) {
  DirectoryDialogRun run;
  const std::string before = run.WizardControl("Edit1").Text();
  const driver::Window dialog = run.OpenDialog();
  dialog.Child("Edit1").Type("");
  dialog.Child("Button1").Click();
  const driver::MessageBoxWindow box = run.App().WaitForMessageBox();
  EXPECT_EQ(box.Caption(), "Setup");
  EXPECT_EQ(box.Text(), "Range check error.");
  EXPECT_TRUE(box.HasIcon());
  box.Press(IDOK);
  EXPECT_TRUE(dialog.IsVisible()) << "the dialog stays open";
  dialog.Child("Button2").Click();
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), before);
}

TEST(DirectoryDialog, RequiredSpaceIsTheWizardsFigure) {
  DirectoryDialogRun run;
  const std::string wizardFigure = run.WizardControl("lbl_neededmem").Text();
  ASSERT_GE(wizardFigure.size(), 4u);
  EXPECT_EQ(wizardFigure.substr(wizardFigure.size() - 3), " MB");
  const driver::Window dialog = run.OpenDialog();
  EXPECT_EQ(dialog.Child("lbl_neededmem").Text(), wizardFigure);
}

TEST(DirectoryDialog, AnotherDriveShowsItsFreeSpaceHereAndInTheWizard) {
  DriveDFolder drive;
  ASSERT_NE(FreeSpaceFigure("D:\\"), FreeSpaceFigure("C:\\"))
      << "D: must lie on another file system than C: for this scenario";
  DirectoryDialogRun run;
  const driver::Window dialog = run.OpenDialog();
  // C: shares its file system with the whole machine, so its figure drifts; D: is quiet.
  EXPECT_NE(dialog.Child("lbl_availmem").Text(), FreeSpaceFigure("D:\\"));
  ChooseDrive(dialog.Child("DriveComboBox1"), 'D');
  EXPECT_EQ(dialog.Child("lbl_availmem").Text(), FreeSpaceFigure("D:\\"));
  const std::string needed = run.WizardControl("lbl_neededmem").Text();
  dialog.Child("Button1").Click();
  run.WaitForDialogGone();
  EXPECT_EQ(run.WizardControl("Edit1").Text(), "D:\\Tidemoor");
  EXPECT_EQ(run.WizardControl("lbl_availmem").Text(), FreeSpaceFigure("D:\\"));
  EXPECT_EQ(run.WizardControl("lbl_neededmem").Text(), needed);
  EXPECT_EQ(run.WizardControl("Button1").Text(), kStart);
}

}  // namespace
}  // namespace e2e
