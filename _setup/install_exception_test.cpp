// An exception from outside the class library during the installation (linked with
// registry calls that run out of memory at the all-users probe).
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "s_lang.h"

namespace setup_test {
namespace {

class InstallException : public InstallTest {};

TEST_F(InstallException, EndsOnTheFailurePageAndTheWizardCanStillBeClosed) {
  Open(SmallRelease());
  EXPECT_FALSE(Install(InstallDir(), "Tidemoor", true, true));
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCopyException) + "std::bad_alloc");
  ExpectFailurePage();
  setup_->Close();
  EXPECT_FALSE(setup_->Visible());
}

}  // namespace
}  // namespace setup_test
