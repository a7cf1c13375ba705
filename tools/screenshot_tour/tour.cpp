// Walks the demo installer through every page and saves a picture of the screen at
// each: language, terms, settings, directory dialog, failure (message and page),
// progress when the copying is slow enough to catch, success. tools/screenshots runs
// it on a Wine desktop of its own and turns the pictures into the README's PNGs.
//
// screenshot_tour <Setup.exe> <output folder> <de|en>   (Unix or Windows paths)
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "driver.h"
#include "screenshot.h"

namespace {

using driver::App;
using driver::Window;

std::string outputFolder;
std::string language;

void Shot(const std::string& name) {
  shot::Pause(std::chrono::milliseconds{400});  // let the page paint
  const std::string path = outputFolder + "\\" + language + "-" + name + ".bmp";
  if (!shot::SaveScreenshot(path)) std::fprintf(stderr, "cannot save %s\n", path.c_str());
}

// Language chosen, terms accepted, on the settings page; pictures of each on the way.
Window ToSettingsPage(App& app, bool pictures) {
  const Window wizard = app.WaitForForm("FSetup");
  wizard.Child("box_language").SelectComboItem(language == "de" ? 0 : 1);
  if (pictures) Shot("1-language");
  wizard.Child("Button1").Click();
  if (pictures) Shot("2-terms");
  wizard.Child("chk_disclaimer").SetChecked(true);
  wizard.Child("Button1").Click();
  if (pictures) Shot("3-settings");
  return wizard;
}

void FailureRun(const std::string& setup) {
  App app = App::Start(setup);
  const Window wizard = ToSettingsPage(app, true);
  wizard.Child("Button4").Click();
  const Window dialog = app.WaitForForm("FSelectDirectory");
  Shot("4-directory");
  dialog.Child("Button2").Click();
  app.WaitForFormGone("FSelectDirectory");
  // A drive that does not exist: creating the installation directory fails.
  wizard.Child("Edit1").Type("Q:\\Tidemoor");
  wizard.Child("Button1").Click();
  const driver::MessageBoxWindow box = app.WaitForMessageBox();
  Shot("7-failure-message");
  box.Press(IDOK);
  driver::WaitUntil([&] { return wizard.Child("Label7").IsVisible(); }, "the failure page");
  Shot("8-failure");
  wizard.Child("Button1").Click();
  app.WaitForExit();
}

void SuccessRun(const std::string& setup) {
  App app = App::Start(setup);
  const Window wizard = ToSettingsPage(app, false);
  wizard.Child("Edit1").Type("C:\\Games\\Tidemoor");
  // Not waited for: the copying runs inside this click, and the progress page is
  // caught while it lasts.
  driver::SendAsUser(wizard.Child("Button1"), BM_CLICK, 0, 0, driver::Milliseconds{1});
  driver::WaitUntil(
      [&] {
        return wizard.Child("ProgressBar1").IsVisible() || wizard.Child("Label6").IsVisible();
      },
      "the progress or the success page");
  if (wizard.Child("ProgressBar1").IsVisible()) Shot("5-progress");
  driver::WaitUntil([&] { return wizard.Child("Label6").IsVisible(); }, "the success page",
                    driver::Milliseconds{60000});
  Shot("6-success");
  wizard.Child("CheckBox4").SetChecked(false);
  wizard.Child("Button1").Click();
  app.WaitForExit();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: screenshot_tour <Setup.exe> <output folder> <de|en>\n");
    return 2;
  }
  const std::string setup = driver::WinePath(argv[1]);
  outputFolder = driver::WinePath(argv[2]);
  language = argv[3];
  try {
    FailureRun(setup);
    SuccessRun(setup);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "screenshot tour: %s\n", error.what());
    return 1;
  }
  return 0;
}
