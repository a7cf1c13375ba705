#include "command_line.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(CommandLineTail, SkipsQuotedAndPlainProgramNames) {
  EXPECT_STREQ(CommandLineTail("\"C:\\Program Files\\Setup.exe\" -debug"), "-debug");
  EXPECT_STREQ(CommandLineTail("C:\\dl\\Setup.exe -debug"), "-debug");
  EXPECT_STREQ(CommandLineTail("  \tSetup.exe\t \t-DEBUG "), "-DEBUG ");  // trailing blank stays
  EXPECT_STREQ(CommandLineTail("Setup.exe"), "");
  EXPECT_STREQ(CommandLineTail("\"unterminated quote -debug"), "");
  EXPECT_STREQ(CommandLineTail(""), "");
}

TEST(IsDebugSwitch, WholeTailInAnyLetterCase) {
  EXPECT_TRUE(IsDebugSwitch("-debug"));
  EXPECT_TRUE(IsDebugSwitch("-DEBUG"));
  EXPECT_TRUE(IsDebugSwitch("-DeBuG"));
  EXPECT_FALSE(IsDebugSwitch("-debug "));
  EXPECT_FALSE(IsDebugSwitch("-debug x"));
  EXPECT_FALSE(IsDebugSwitch("/debug"));
  EXPECT_FALSE(IsDebugSwitch("-debu"));
  EXPECT_FALSE(IsDebugSwitch(""));
  EXPECT_FALSE(IsDebugSwitch(" -debug"));
}

}  // namespace
}  // namespace setup
