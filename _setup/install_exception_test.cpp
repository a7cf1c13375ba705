// An exception from outside the class library during the installation (linked with
// registry calls that run out of memory at the all-users probe).
#include <gtest/gtest.h>

#include "install_test_support.h"
#include "s_lang.h"

namespace setup_test {
namespace {

using InstallException = InstallTest;

TEST_F(InstallException, EndsOnTheFailurePageAndTheWizardCanStillBeClosed) {
  Open(TestRelease());
  EXPECT_FALSE(Install(Dir(), "Tidemoor", true, true));  // ends on the failure page
  EXPECT_EQ(OnlyBoxText(), Text(kMsgCopyException) + "std::bad_alloc");
  setup_->Close();
  EXPECT_FALSE(setup_->Visible());
}

}  // namespace
}  // namespace setup_test
