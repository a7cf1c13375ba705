// The wizard at the keyboard: where the focus is when it opens, what the tab key walks
// through, and where the focus goes when a page switch disables the button holding it.
#include "install_test_support.h"

namespace setup_test {
namespace {

std::string NameOf(HWND hwnd) {
  const gui::Window* window = gui::Window::FromHandle(hwnd);
  return window != nullptr ? window->name() : "(none)";
}

using WizardKeyboard = InstallTest;

TEST_F(WizardKeyboard, OpensOnForwardTabWalksOnlyWhatIsShownAndFocusLeavesDisabledButtons) {
  EngineSetup& setup = Open(TestRelease());
  setup.Button3.SetEnabled(false);    // back, as the wizard opens
  ShowWindow(setup.hwnd(), SW_HIDE);  // opened again, as the user first sees it
  SetFocus(setup.hwnd());             // where Windows leaves it on activation
  setup.ShowForm();
  std::vector<std::string> walked;
  for (HWND at = GetFocus(); walked.size() < 4; at = GetNextDlgTabItem(setup.hwnd(), at, FALSE))
    walked.push_back(NameOf(at));
  EXPECT_EQ(walked, (std::vector<std::string>{"Button1", "Button2", "box_language", "Button1"}));
  setup.Button1.SetFocus();
  setup.Button1Click();  // the terms are not accepted yet: forward is disabled
  EXPECT_EQ(NameOf(GetFocus()), "memo_disclaimer");
  setup.Button3.SetFocus();
  setup.Button3Click();  // back on the first page, where back is disabled
  EXPECT_EQ(NameOf(GetFocus()), "Button1");
}

}  // namespace
}  // namespace setup_test
