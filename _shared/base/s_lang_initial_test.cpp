// A binary of its own: the current language is process-wide, and this must be the
// first look at it.
#include "s_lang.h"

#include <gtest/gtest.h>

namespace {

TEST(CLangInitial, IsGermanBeforeAnySetLanguage) {
  EXPECT_EQ(CLang::GetLanguage(), kLanguageGerman);
  EXPECT_STREQ(CLang::GetText(kMsgNext), "&Weiter >>");
}

}  // namespace
