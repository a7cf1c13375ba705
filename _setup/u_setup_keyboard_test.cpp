// The wizard at the keyboard: where the focus is when it opens and after a page
// switch, and what the tab key walks through.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_test_support.h"

namespace setup_test {
namespace {

std::string NameOf(HWND hwnd) {
  const gui::Window* window = gui::Window::FromHandle(hwnd);
  return window != nullptr ? window->name() : "(none)";
}

class WizardKeyboard : public InstallTest {
 protected:
  // The first page as the wizard opens on it: forward enabled, back disabled.
  EngineSetup& OpenOnFirstPage() {
    EngineSetup& setup = Open(TestRelease());
    setup.ShowPage(setup.TabSheet1);
    setup.wizardStep = 0;
    setup.Button1.SetEnabled(true);
    setup.Button2.Show();
    setup.Button3.Show();
    setup.Button3.SetEnabled(false);
    return setup;
  }
};

TEST_F(WizardKeyboard, OpensOnTheForwardButtonAndTabWalksOnlyWhatIsShown) {
  EngineSetup& setup = OpenOnFirstPage();
  ShowWindow(setup.hwnd(), SW_HIDE);  // opened again, as the user first sees it
  SetFocus(setup.hwnd());             // where Windows leaves it on activation
  setup.ShowForm();
  EXPECT_EQ(NameOf(GetFocus()), "Button1");
  std::vector<std::string> walked;
  for (HWND at = GetFocus(); walked.size() < 4; at = GetNextDlgTabItem(setup.hwnd(), at, FALSE))
    walked.push_back(NameOf(at));
  EXPECT_EQ(walked, (std::vector<std::string>{"Button1", "Button2", "box_language", "Button1"}));
}

TEST_F(WizardKeyboard, FocusLeavesWhatAPageSwitchDisables) {
  EngineSetup& setup = OpenOnFirstPage();
  setup.Button1.SetFocus();
  setup.Button1Click();  // the terms are not accepted yet: forward is disabled
  EXPECT_EQ(NameOf(GetFocus()), "memo_disclaimer");
  setup.Button3.SetFocus();
  setup.Button3Click();  // back on the first page, where back is disabled
  EXPECT_EQ(NameOf(GetFocus()), "Button1");
}

}  // namespace
}  // namespace setup_test
