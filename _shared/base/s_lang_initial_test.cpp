// A binary of its own: the language is process-wide and this must be its first look.
#include "s_lang.h"

#include <gtest/gtest.h>

TEST(CLangInitial, IsGermanBeforeAnySetLanguage) {
  EXPECT_EQ(CLang::GetLanguage(), kLanguageGerman);
  EXPECT_STREQ(CLang::GetText(kMsgNext), "&Weiter >>");
}
