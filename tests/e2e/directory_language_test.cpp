// The directory dialog speaks the wizard's language, also while it is hidden. ctest
// runs this binary as an Austrian (de_AT) and as a French (fr_FR) user as well.
#include <gtest/gtest.h>

#include "directory_support.h"
#include "support/setup_run.h"

namespace e2e {
namespace {

void ExpectCaptions(const driver::Window& dialog, bool german) {
  EXPECT_EQ(dialog.Text(), kChooseDirectory.In(german));
  EXPECT_EQ(dialog.Child("Button1").Text(), kOk.In(german));
  EXPECT_EQ(dialog.Child("Button2").Text(), kCancel.In(german));
  EXPECT_EQ(dialog.Child("Label1").Text(), kInstallDirectory.In(german));
  EXPECT_EQ(dialog.Child("lbl_neededmem_caption").Text(), kRequiredSpace.In(german));
  EXPECT_EQ(dialog.Child("lbl_availmem_caption").Text(), kAvailableSpace.In(german));
}

TEST(DirectoryDialogLanguage, ComesUpInTheUsersLanguage) {
  DirectoryDialogRun run;
  ExpectCaptions(run.OpenDialog(), UserIsGerman());
}

TEST(DirectoryDialogLanguage, FollowsALanguageSwitchOnTheFirstPageWhileHidden) {
  const bool german = UserIsGerman();
  driver::App app = driver::App::Start(driver::WinePath(TDM_DEMO_FULL_SETUP));
  const driver::Window wizard = app.WaitForForm("FSetup");
  const auto dialog = [&] {
    for (const driver::Window& window : app.TopLevelWindows(false))
      if (window.Name() == "FSelectDirectory") return window;
    throw driver::DriverError("no FSelectDirectory window");
  };
  EXPECT_FALSE(dialog().IsVisible());
  ExpectCaptions(dialog(), german);

  wizard.Child("box_language").SelectComboItem(german ? 1 : 0);
  ExpectCaptions(dialog(), !german);

  wizard.Child("Button1").Click();
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  wizard.Child("Button4").Click();
  ExpectCaptions(app.WaitForForm("FSelectDirectory"), !german);
  app.GetProcess().Kill();
}

}  // namespace
}  // namespace e2e
