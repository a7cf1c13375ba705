// Which default language a program started by a test sees. Setup.exe picks German
// from GetUserDefaultLangID, so its end-to-end tests need a way to start it as a
// German-speaking user and as anyone else.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver.h"

namespace driver {
namespace {

DWORD ChildLanguage(const StartOptions& options = {}) {
  App app = App::Start(WinePath(TDM_FIXTURE_APP), "--print-language", options);
  return app.WaitForExit();
}

// Wine takes a process's default language from the Unix locale it was started in
// (LC_ALL; LANG alone only where that locale is installed on the machine). A child
// started from inside Wine inherits the Unix locale of the Wine run, whatever its
// Windows environment block says, so a test that needs Setup.exe in another language
// must itself be started in it: one ctest entry per language (see CMakeLists.txt).
TEST(ChildLanguage, EnvironmentBlockDoesNotChangeTheChildsLanguage) {
  StartOptions options;
  options.environment = {{"LANG", "fr_FR.UTF-8"}, {"LC_ALL", "fr_FR.UTF-8"}};
  EXPECT_EQ(ChildLanguage(options), GetUserDefaultLangID());
}

// Run by ctest as it is and with the whole Wine run in another locale; there
// TDM_EXPECTED_LANGID names the language the test and its children must have.
TEST(WholeRunLanguage, ChildHasTheLanguageTheTestWasStartedIn) {
  const DWORD own = GetUserDefaultLangID();
  EXPECT_EQ(ChildLanguage(), own);
  if (const char* expected = std::getenv("TDM_EXPECTED_LANGID")) {
    EXPECT_EQ(own, std::strtoul(expected, nullptr, 16));
  }
}

}  // namespace
}  // namespace driver
