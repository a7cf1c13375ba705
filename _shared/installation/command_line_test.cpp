// The entry's reading of its own command line, which all three programs share.
#include "command_line.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(CommandLine, Table) {
  const struct {
    const char *commandLine, *tail;
    bool debug;
  } rows[] = {
      {"\"C:\\Program Files\\Setup.exe\" -debug", "-debug", true},
      {"C:\\dl\\Setup.exe -DEBUG", "-DEBUG", true},
      {"  \tSetup.exe\t \t-DeBuG", "-DeBuG", true},
      {"Setup.exe -debug ", "-debug ", false},  // trailing blanks stay in the tail
      {"Setup.exe -debug x", "-debug x", false},
      {"Setup.exe /debug", "/debug", false},
      {"Setup.exe debug", "debug", false},
      {"Setup.exe -debu", "-debu", false},
      {"Setup.exe -debugx", "-debugx", false},
      {"Setup.exe", "", false},
      {"\"unterminated quote -debug", "", false},
      {"", "", false},
      {nullptr, "", false},
  };
  for (const auto& row : rows) {
    const char* tail = CommandLineTail(row.commandLine);
    EXPECT_STREQ(tail, row.tail);
    EXPECT_EQ(IsDebugSwitch(tail), row.debug) << tail;
  }
}

}  // namespace
}  // namespace setup
