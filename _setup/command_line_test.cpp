#include "command_line.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(CommandLine, TheTailBehindTheProgramNameIsTheSwitchOnlyWhenWhollyDebug) {
  struct Row {
    const char* commandLine;
    const char* tail;
    bool debug;
  };
  const Row rows[] = {{"\"C:\\Program Files\\Setup.exe\" -debug", "-debug", true},
                      {"C:\\dl\\Setup.exe -DeBuG", "-DeBuG", true},
                      {"  \tSetup.exe\t \t-DEBUG ", "-DEBUG ", false},  // the blank stays
                      {"Setup.exe -debug x", "-debug x", false},
                      {"Setup.exe /debug", "/debug", false},
                      {"Setup.exe -debu", "-debu", false},
                      {"Setup.exe", "", false},
                      {"\"unterminated quote -debug", "", false},
                      {"", "", false}};
  for (const Row& row : rows) {
    EXPECT_STREQ(CommandLineTail(row.commandLine), row.tail) << row.commandLine;
    EXPECT_EQ(IsDebugSwitch(CommandLineTail(row.commandLine)), row.debug) << row.commandLine;
  }
  EXPECT_FALSE(IsDebugSwitch(" -debug"));
}

}  // namespace
}  // namespace setup
