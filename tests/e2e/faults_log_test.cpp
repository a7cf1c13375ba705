// The log is a help for support, never a reason to fail: Setup.exe started with
// "-debug" from a read-only medium installs as usual and writes nothing there.
#include <gtest/gtest.h>
#include <windows.h>

#include "driver.h"
#include "faults_support.h"
#include "s_lang_ids.h"

namespace faults {
namespace {

TEST(LogOnReadOnlyMedium, InstallsNormallyAndWritesNoLog) {
  const auto media = FaultMedia();
  if (!media) GTEST_SKIP() << "the fault media are not mounted (mounting needs root)";
  const std::string setup = *media + "\\readonly\\Setup.exe";
  ASSERT_TRUE(driver::FileExists(setup));
  InstallSettings settings{"C:\\tdm-faults-log\\Tidemoor"};
  settings.arguments = "-debug";
  driver::App app = StartInstallation(setup, settings);
  const driver::Window form = app.WaitForForm("FSetup");
  driver::WaitUntil(
      [&] {
        if (app.FindMessageBox())
          throw driver::DriverError("a message box: " + app.FindMessageBox()->Text());
        return form.Child("TabSheet4").IsVisible();
      },
      "the success page", driver::Milliseconds{60000});
  EXPECT_EQ(form.Child("Button1").Text(), Catalogue(kMsgFinished));
  form.Child("CheckBox4").SetChecked(false);  // no editor left behind
  form.Child("Button1").Click();
  EXPECT_EQ(app.WaitForExit(), 0u);
  EXPECT_FALSE(driver::FileExists(*media + "\\readonly\\setup.log"));
  EXPECT_TRUE(driver::FileExists("C:\\tdm-faults-log\\Tidemoor\\TDMClient.exe"));
}

}  // namespace
}  // namespace faults
