// The demo release as shipped: its update runs over an installation of the demo
// client 0.807.3 and takes its settings; its full installer refuses to run there.
#include <gtest/gtest.h>

#include "earlier_support.h"
#include "earlier_texts.h"

namespace e2e {
namespace {

// The demo's Setup.exe copied into a folder of its own, where it writes its log.
class DemoSetup {
 public:
  explicit DemoSetup(const char* builtPath) : exe_(folder_.CopyIn(driver::WinePath(builtPath))) {}
  driver::App Start() const { return driver::App::Start(exe_, kDebugSwitch, {folder_.Path(), {}}); }

 private:
  driver::ScratchDirectory folder_{"tdm-e2e-demo"};
  std::string exe_;
};

TEST(DemoRelease, UpdateAdoptsTheInstallationOfTheDemoClient) {
  const EarlierInstallation installed(1, "Spiele\\Tidemoor");
  const DemoSetup demo(TDM_DEMO_UPDATE_SETUP);
  driver::App app = demo.Start();
  const driver::Window wizard = app.WaitForForm("FSetup");
  EXPECT_FALSE(app.FindMessageBox().has_value());
  EXPECT_EQ(wizard.Child("Label1").Text(), "Tidemoor Update 0.807.4");
  EXPECT_EQ(wizard.Child("box_language").ComboSelection(), 1);
  EXPECT_EQ(wizard.Child("Edit1").Text(), installed.InstallDir());
  EXPECT_EQ(wizard.Child("Edit2").Text(), "Spiele\\Tidemoor");
  EXPECT_TRUE(wizard.Child("radio_current_user").IsChecked());
  EXPECT_FALSE(wizard.Child("radio_current_user").IsEnabled());
  EXPECT_FALSE(wizard.Child("radio_all_users").IsEnabled());
  wizard.Child("Button2").Click();
  EXPECT_EQ(app.WaitForExit(), 0u);
}

TEST(DemoRelease, FullInstallerRefusesToRunOverIt) {
  const EarlierInstallation installed(0);
  const DemoSetup demo(TDM_DEMO_FULL_SETUP);
  driver::App app = demo.Start();
  const driver::MessageBoxWindow box = app.WaitForMessageBox();
  EXPECT_EQ(box.Text(), kTextUninstallFirst.german);
  EXPECT_EQ(box.Caption(), kTextError.german);
  EXPECT_FALSE(app.FindForm("FSetup").has_value());
  box.Press(IDOK);
  EXPECT_EQ(app.WaitForExit(), 0u);
}

}  // namespace
}  // namespace e2e
