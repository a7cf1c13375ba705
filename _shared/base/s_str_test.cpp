#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "s_logging.h"

namespace {

TEST(CStrFormat, OneBufferOverwrittenEachTimeAndCutAt255Characters) {
  CStr* str = CStr::Instance();
  const char* first = str->Format("%s%s", "C:\\Games\\", "setup.log");
  EXPECT_STREQ(first, "C:\\Games\\setup.log");
  EXPECT_EQ(str->Format("%s!", std::string(300, 'z').c_str()), first);
  EXPECT_EQ(std::strlen(first), CStr::kBufferSize - 1);
  CStr::FreeInstance();
  CStr::FreeInstance();
}

TEST(CStrFindChar, FirstOrLastOccurrence) {
  struct Row {
    const char* text;
    char c;
    bool last;
    int at;
  };
  const Row rows[] = {{"a\\b\\c", '\\', false, 1}, {"a\\b\\c", '\\', true, 3},
                      {"\\", '\\', true, 0},       {"abc", '\\', false, -1},
                      {"", 'a', false, -1},        {nullptr, 'a', true, -1},
                      {"abc", '\0', true, -1}};
  for (const Row& row : rows)
    EXPECT_EQ(CStr::FindChar(row.text, row.c, row.last), row.at) << row.at;
}

TEST(CStrCut, RemovesInPlaceWithinTheText) {
  struct Row {
    const char* before;
    int from, count;
    const char* after;
  };
  const Row rows[] = {{"abcdef", 1, 2, "adef"}, {"adef", 2, 100, "ad"}, {"ad", 2, 1, "ad"},
                      {"ad", 0, 0, "ad"},       {"ad", -1, 1, "ad"},    {"ad", 0, -3, "ad"},
                      {"ad", 0, 2, ""},         {"", 0, 1, ""}};
  for (const Row& row : rows) {
    char text[16] = {};
    std::strcpy(text, row.before);
    CStr::Cut(text, row.from, row.count);
    EXPECT_STREQ(text, row.after) << row.before << " " << row.from << " " << row.count;
  }
}

TEST(CStrClear, ZeroesTheGivenSizeAndCopiesAtMostSizeMinusOne) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  CStr::Clear(buffer, 6, "abcdefgh");
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(buffer[6], '#');  // nothing past the given size
  CStr::Clear(buffer, 6, "ab");
  EXPECT_EQ(std::string(buffer, 6), std::string("ab\0\0\0\0", 6));
  CStr::Clear(buffer, 0, "xy");  // a zero size touches nothing
  EXPECT_STREQ(buffer, "ab");
}

TEST(ProgramDirectory, UpToTheLastBackslashOfTheProgramCutAt255) {
  const std::string fits = "C:\\" + std::string(251, 'd') + "\\";  // 255 characters
  const std::string tooLong = "C:\\" + std::string(300, 'd') + "\\";
  const std::pair<std::string, std::string> rows[] = {
      {"\"C:\\Program Files\\Tidemoor\\Setup.exe\" -debug", "C:\\Program Files\\Tidemoor\\"},
      {"C:\\Program Files\\Tidemoor\\Setup.exe -debug", "C:\\Program Files\\Tidemoor\\"},
      {"\"D:\\Setup.exe\"", "D:\\"},
      {"Setup.exe -debug", ""},
      {"\"Setup.exe\"", ""},
      {"", ""},
      {"\"" + fits + "Setup.exe\" -debug", fits},
      {tooLong + "Setup.exe", tooLong.substr(0, 255)}};
  for (const auto& [commandLine, directory] : rows) {
    char stored[CLog::kDirectorySize];
    std::memset(stored, '#', sizeof stored);
    DeriveProgramDirectory(commandLine.c_str(), stored);
    ASSERT_NE(std::memchr(stored, '\0', sizeof stored), nullptr) << commandLine;
    EXPECT_EQ(stored, directory) << commandLine;
  }
}

}  // namespace
