// The driver against its stand-in program: every query and every action a Setup.exe
// test relies on, checked across the process boundary under Wine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "driver.h"

namespace driver {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string FixtureApp() {
  return WinePath(TDM_FIXTURE_APP);
}

class DriverTest : public ::testing::Test {
 protected:
  void Start(const std::string& arguments = {}) {
    app_.emplace(App::Start(FixtureApp(), arguments));
    form_ = app_->WaitForForm("FFixture");
  }
  Window Control(const std::string& name) const { return form_.Child(name); }
  std::string Echo() const { return Control("lbl_echo").Text(); }
  void WaitForEcho(const std::string& text) const {
    WaitUntil([&] { return Echo() == text; }, "lbl_echo to read \"" + text + "\"");
  }

  std::optional<App> app_;
  Window form_;
};

TEST_F(DriverTest, FindsTheFormByNameAndByCaption) {
  Start();
  EXPECT_EQ(form_.Text(), "Fixture:");
  EXPECT_EQ(form_.Name(), "FFixture");
  EXPECT_EQ(app_->WaitForWindowByCaption("Fixture:").Handle(), form_.Handle());
  EXPECT_FALSE(app_->FindForm("FSetup").has_value());
}

TEST_F(DriverTest, ReadsControlNamesFromTheOtherProcess) {
  Start();
  const Window button = Control("Button1");
  EXPECT_EQ(button.Text(), "&Show box");
  EXPECT_EQ(button.ClassName(), "Button");
  EXPECT_EQ(button.Id(), 101);
  EXPECT_EQ(form_.ChildById(101).Name(), "Button1");
  EXPECT_FALSE(form_.FindChild("Button9").has_value());
  EXPECT_THROW(form_.Child("Button9"), DriverError);
}

TEST_F(DriverTest, ReadsWindows1252TextsUnchanged) {
  Start();
  EXPECT_EQ(Control("lbl_greeting").Text(), "Gr\xFC\xDF Gott, Fran\xE7ois");
}

TEST_F(DriverTest, ReadsVisibilityAndEnabledState) {
  Start();
  EXPECT_TRUE(Control("Button1").IsUsable());
  EXPECT_TRUE(Control("Button3").IsVisible());
  EXPECT_FALSE(Control("Button3").IsEnabled());
  EXPECT_FALSE(Control("lbl_hidden").IsVisible());
  // A control on a hidden page is hidden to the user although its own style is shown.
  EXPECT_FALSE(Control("Button4").IsVisible());
  EXPECT_TRUE(Control("chk_option").IsVisible());
}

TEST_F(DriverTest, ReadsComboItemsAndSelection) {
  Start();
  const Window combo = Control("box_language");
  EXPECT_THAT(combo.ComboItems(), ElementsAre("Deutsch", "English"));
  EXPECT_EQ(combo.ComboSelection(), 1);
  EXPECT_EQ(combo.ComboSelectedText(), "English");
}

TEST_F(DriverTest, ReadsProgressRangeBeyondSixteenBits) {
  Start();
  const ProgressState progress = Control("bar_progress").Progress();
  EXPECT_EQ(progress.low, 0);
  EXPECT_EQ(progress.high, 16651315);
  EXPECT_EQ(progress.position, 1665131);
}

TEST_F(DriverTest, ReadsAMultiLineEditLineByLine) {
  Start();
  EXPECT_THAT(Control("memo_text").Lines(), ElementsAre("line one", "line two", "line three"));
}

TEST_F(DriverTest, ReadsCheckStates) {
  Start();
  EXPECT_FALSE(Control("chk_option").IsChecked());
  EXPECT_TRUE(Control("radio_a").IsChecked());
  EXPECT_EQ(Control("radio_b").CheckState(), BST_UNCHECKED);
}

TEST_F(DriverTest, ClickThatOpensAMessageBoxDoesNotBlock) {
  Start();
  Control("Button1").Click();
  const MessageBoxWindow box = app_->WaitForMessageBox();
  EXPECT_EQ(box.Caption(), "Fixture caption");
  EXPECT_EQ(box.Text(), "Fixture text\nsecond line");
  EXPECT_THAT(box.ButtonTexts(), ElementsAre("OK"));
  EXPECT_FALSE(box.HasIcon());
  EXPECT_EQ(box.Owner().Handle(), form_.Handle());
  // The box is modal: the form's own buttons cannot be reached meanwhile.
  EXPECT_FALSE(Control("Button2").IsUsable());
  EXPECT_THROW(Control("Button2").Click(), DriverError);
  EXPECT_EQ(Echo(), "ready");

  box.Press(IDOK);
  WaitForEcho("box answered");
  EXPECT_FALSE(app_->FindMessageBox().has_value());
  EXPECT_TRUE(Control("Button2").IsUsable());
}

TEST_F(DriverTest, RefusesToClickWhatAUserCannotClick) {
  Start();
  EXPECT_THROW(Control("Button3").Click(), DriverError);
  EXPECT_THROW(Control("Button4").Click(), DriverError);
  EXPECT_THROW(Control("memo_text").Type("x"), DriverError);
  EXPECT_EQ(Echo(), "ready");
}

TEST_F(DriverTest, TypingReplacesTheTextAndNotifiesTheOwner) {
  Start();
  const Window edit = Control("Edit1");
  EXPECT_EQ(edit.Text(), "C:\\Games\\Tidemoor");
  edit.Type(
      "D:\\Spiele\\Gr\xF6\xDF"
      "e");
  EXPECT_EQ(edit.Text(),
            "D:\\Spiele\\Gr\xF6\xDF"
            "e");
  EXPECT_EQ(Echo(),
            "changed: D:\\Spiele\\Gr\xF6\xDF"
            "e");
}

TEST_F(DriverTest, SelectingAComboItemNotifiesTheOwner) {
  Start();
  const Window combo = Control("box_language");
  combo.SelectComboItem("Deutsch");
  EXPECT_EQ(combo.ComboSelection(), 0);
  EXPECT_EQ(Echo(), "selected: 0 Deutsch");
  combo.SelectComboItem(1);
  EXPECT_EQ(Echo(), "selected: 1 English");
  EXPECT_THROW(combo.SelectComboItem(2), DriverError);
  EXPECT_THROW(combo.SelectComboItem("Fran\xE7"
                                     "ais"),
               DriverError);
}

TEST_F(DriverTest, TogglingACheckBoxNotifiesTheOwner) {
  Start();
  const Window check = Control("chk_option");
  check.SetChecked(true);
  EXPECT_TRUE(check.IsChecked());
  EXPECT_EQ(Echo(), "chk_option: checked");
  check.SetChecked(false);
  EXPECT_FALSE(check.IsChecked());
  EXPECT_EQ(Echo(), "chk_option: unchecked");
}

TEST_F(DriverTest, ClickingARadioButtonMovesTheChoice) {
  Start();
  Control("radio_b").Click();
  EXPECT_TRUE(Control("radio_b").IsChecked());
  EXPECT_FALSE(Control("radio_a").IsChecked());
  EXPECT_EQ(Echo(), "radio_b clicked");
}

TEST_F(DriverTest, ButtonThatClosesTheFormEndsTheProgramWithItsCode) {
  Start("--exit-code=7");
  Control("Button2").Click();
  EXPECT_EQ(app_->WaitForExit(), 7u);
}

TEST_F(DriverTest, CloseBoxEndsTheProgram) {
  Start("--exit-code=3");
  form_.Close();
  EXPECT_EQ(app_->WaitForExit(), 3u);
}

TEST_F(DriverTest, MessageBoxBeforeTheFormHasNoOwner) {
  app_.emplace(App::Start(FixtureApp(), "--box-at-start"));
  const MessageBoxWindow box = app_->WaitForMessageBox();
  EXPECT_EQ(box.Caption(), "Fixture start");
  EXPECT_EQ(box.Text(), "Started with a box");
  EXPECT_FALSE(box.Owner().Exists());
  EXPECT_FALSE(app_->FindForm("FFixture").has_value());
  try {
    app_->WaitForForm("FFixture", Milliseconds{100});
    FAIL() << "the form comes only after the box";
  } catch (const DriverError& error) {
    EXPECT_THAT(error.what(), HasSubstr("(shown: \"Fixture start\" message box)"));
  }
  box.Press();
  app_->WaitForForm("FFixture");
}

TEST_F(DriverTest, MessageBoxWithAnIconShowsIt) {
  app_.emplace(App::Start(FixtureApp(), "--error-box-at-start"));
  const MessageBoxWindow box = app_->WaitForMessageBox();
  EXPECT_EQ(box.Caption(), "Setup");
  EXPECT_EQ(box.Text(), "Something failed.");
  EXPECT_TRUE(box.HasIcon());
  box.Press();
  app_->WaitForForm("FFixture");
}

TEST_F(DriverTest, WaitThatRunsOutFailsWithAClearMessage) {
  app_.emplace(App::Start(FixtureApp(), "--show-delay=3000"));
  try {
    app_->WaitForForm("FFixture", Milliseconds{200});
    FAIL() << "the form cannot be there yet";
  } catch (const DriverError& error) {
    EXPECT_THAT(error.what(), HasSubstr("timed out after 200 ms waiting for form FFixture"));
    EXPECT_THAT(error.what(), HasSubstr("(no window shown)"));
  }
  app_->WaitForForm("FFixture");
}

TEST_F(DriverTest, ProgramStillRunningAtTheEndIsKilled) {
  DWORD id = 0;
  {
    App app = App::Start(FixtureApp());
    app.WaitForForm("FFixture");
    id = app.GetProcess().Id();
  }
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process != nullptr) {
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
  }
}

TEST(DriverProcess, ExtraEnvironmentReachesTheChild) {
  StartOptions options;
  options.environment = {{"TDM_FIXTURE_VALUE", "42"}};
  App app = App::Start(FixtureApp(), "--exit-with-variable=TDM_FIXTURE_VALUE", options);
  EXPECT_EQ(app.WaitForExit(), 42u);
}

// Wine runs a Unix program from CreateProcess but hands out no process handle for it.
TEST(DriverProcess, UnixProgramIsRefusedForWantOfAHandle) {
  EXPECT_THROW(Process::Start("Z:\\bin\\true"), DriverError);
}

TEST(DriverProcess, ScratchDirectoryHoldsACopyAndGoesAway) {
  std::string directory;
  {
    ScratchDirectory scratch;
    directory = scratch.Path();
    EXPECT_EQ(directory.rfind("C:\\tdm-e2e-", 0), 0u);
    const std::string copy = scratch.CopyIn(FixtureApp(), "Setup.exe");
    EXPECT_EQ(copy, directory + "\\Setup.exe");
    EXPECT_TRUE(FileExists(copy));
    StartOptions options;
    options.workingDirectory = directory;
    App app = App::Start(copy, "--exit-code=5", options);
    app.WaitForForm("FFixture").Close();
    EXPECT_EQ(app.WaitForExit(), 5u);
  }
  EXPECT_EQ(GetFileAttributesA(directory.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(DriverPaths, UnixPathsBecomeDriveZ) {
  EXPECT_EQ(WinePath("/work/main/build/Setup.exe"), "Z:\\work\\main\\build\\Setup.exe");
  EXPECT_EQ(WinePath("C:\\tdm\\Setup.exe"), "C:\\tdm\\Setup.exe");
  EXPECT_EQ(ProgramDirectory().back(), '\\');
}

TEST(DriverPaths, ArgumentsAreQuotedOnlyWhenNeeded) {
  EXPECT_EQ(QuoteArgument("-debug"), "-debug");
  EXPECT_EQ(QuoteArgument("C:\\Program Files\\Setup.exe"), "\"C:\\Program Files\\Setup.exe\"");
  EXPECT_EQ(QuoteArgument("C:\\dir with blank\\"), "\"C:\\dir with blank\\\\\"");
  EXPECT_EQ(QuoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
  EXPECT_EQ(QuoteArgument(""), "\"\"");
}

TEST(DriverScreenshot, WritesABitmapOfTheScreen) {
  ScratchDirectory scratch;
  const std::string path = scratch.PathOf("screen.bmp");
  ASSERT_TRUE(SaveScreenshot(path));
  const auto bytes = ReadWholeFile(path);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->substr(0, 2), "BM");
  EXPECT_GT(bytes->size(), 54u + 3u * 100u * 100u);
}

}  // namespace
}  // namespace driver
