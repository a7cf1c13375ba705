#include "s_format.h"
#include "s_logging.h"
#include "s_monitor.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

namespace {

// Files in memory, a clock that reads whatever the test sets.
struct FakeLogPlatform : LogPlatform {
  std::uint32_t TickCount() override { return ticks; }
  LogTime LocalTime() override { return now; }
  LogTimeZone TimeZone() override { return zone; }
  const char* CommandLine() override { return "\"C:\\Games\\Tidemoor\\Setup.exe\" -debug"; }
  void CreateEmpty(const char* fileName) override { files[fileName].clear(); }
  bool Append(const char* fileName, std::string_view bytes) override {
    ++appendCalls;
    if (!refuseFiles) files[fileName].append(bytes);
    return !refuseFiles;
  }
  std::uint32_t ticks = 1000;
  LogTime now{2026, 12, 5, 6, 14, 2, 11};
  LogTimeZone zone{-3600, 0, "CET", "CEST"};
  std::map<std::string, std::string> files;
  bool refuseFiles = false;
  int appendCalls = 0;
} fake;

class CLogTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = FakeLogPlatform(); }
  void TearDown() override { CLog::FreeInstance(); }
};

TEST_F(CLogTest, OpenEmptiesTheFileForTheHeaderThenEachLineIsTicksTimeLevelAndTextInCrLf) {
  const std::string overlong(3000, 'x'), empty;  // empty: a computed format, not a literal
  // 2048 with terminator: 2046 characters, then CR put before the line feed.
  const std::string cut = "-2 : 07:05:03 : 1 : " + std::string(2046 - 20, 'x') + "\r\n";
  const std::tuple<int, const char*, const char*, const char*> rows[] = {
      {1, "create file: %s", "a.dat", "-2 : 07:05:03 : 1 : create file: a.dat\r\n"},
      {2, "%s", "two", "-2 : 07:05:03 : 2 : two\r\n"},
      {-5, "%s", "minus five", "-2 : 07:05:03 : -5 : minus five\r\n"},
      {3, "%s", "above the level", ""},
      {1, "%s", "a\nb", "-2 : 07:05:03 : 1 : a\r\nb\r\n"},
      {1, "%s", "", "-2 : 07:05:03 : 1 : \r\n"},
      {1, empty.c_str(), "", "\r\n"},
      {1, "%s", overlong.c_str(), cut.c_str()}};
  CLog log(fake);
  log.Open(2, "C:\\setup.log");
  log.Log(1, __FILE__, __LINE__, "starting setup, version %i", 1490);
  fake.zone = {-19800, 1, "IST", "IDT"};  // -5.5 hours: truncated toward zero
  log.Open(2, "C:\\setup.log");
  const std::string at = "1000 : 14:02:11 : 0 : ", rule = at + std::string(78, '-') + "\r\n";
  std::string header = "\r\n" + rule;
  for (const char* text :
       {"--- logfile for application : \"C:\\Games\\Tidemoor\\Setup.exe\" -debug",
        "--- logfile reseted to      : C:\\setup.log",
        "--- logging started on      : Sat Dec 05 14:02:11 2026", "--- (-5 IST / 1 IDT)"})
    header += at + text + "\r\n";
  EXPECT_EQ(fake.files["C:\\setup.log"], header + rule + "\r\n");
  fake.now = {2027, 1, 9, 0, 7, 5, 3};
  fake.ticks = 0xFFFFFFFEu;  // past 24.8 days the signed count goes negative
  for (const auto& [level, format, text, bytes] : rows) {
    fake.files["C:\\setup.log"].clear();
    log.Log(level, __FILE__, __LINE__, format, text);
    EXPECT_EQ(fake.files["C:\\setup.log"], bytes) << text;
  }
}

TEST_F(CLogTest, UnopenedOrNamedPast127WritesNothingAndAnUnwritableFileIsTriedAgain) {
  CLog log(fake);
  log.Log(-5, __FILE__, __LINE__, "never");
  EXPECT_EQ(fake.appendCalls, 0);
  fake.refuseFiles = true;
  log.Open(2, std::string(CLog::kFileNameSize - 1, 'a').c_str());
  log.Log(1, __FILE__, __LINE__, "one");
  EXPECT_EQ(fake.appendCalls, 9);
  fake.refuseFiles = false;
  log.Log(1, __FILE__, __LINE__, "two");
  EXPECT_EQ(fake.files[std::string(CLog::kFileNameSize - 1, 'a')], "1000 : 14:02:11 : 1 : two\r\n");
  log.Open(2, std::string(CLog::kFileNameSize, 'b').c_str());
  log.Log(1, __FILE__, __LINE__, "after");
  EXPECT_EQ(fake.appendCalls, 10);
  EXPECT_EQ(fake.files.size(), 1u);
}

TEST(CStr, FindCharCutAndClear) {
  const std::tuple<const char*, char, bool, int> finds[] = {
      {"a\\b\\c", '\\', false, 1}, {"a\\b\\c", '\\', true, 3}, {"\\", '\\', true, 0},
      {"abc", '\\', false, -1},    {"", 'a', false, -1},       {nullptr, 'a', true, -1},
      {"abc", '\0', true, -1}};
  for (const auto& [text, c, last, at] : finds) EXPECT_EQ(CStr::FindChar(text, c, last), at);
  const std::tuple<const char*, int, int, const char*> cuts[] = {
      {"abcdef", 1, 2, "adef"}, {"adef", 2, 100, "ad"}, {"ad", 2, 1, "ad"}, {"ad", 0, 0, "ad"},
      {"ad", -1, 1, "ad"},      {"ad", 0, -3, "ad"},    {"ad", 0, 2, ""},   {"", 0, 1, ""}};
  for (const auto& [before, from, count, after] : cuts) {
    char text[16] = {};
    std::strcpy(text, before);
    CStr::Cut(text, from, count);
    EXPECT_STREQ(text, after) << before << " " << from << " " << count;
  }
  char buffer[8] = "#######";
  CStr::Clear(buffer, 6, "abcdefgh");
  EXPECT_EQ(std::string(buffer, 7), std::string("abcde\0#", 7));  // nothing past the size
  CStr::Clear(buffer, 6, "ab");
  EXPECT_EQ(std::string(buffer, 6), std::string("ab\0\0\0\0", 6));
  CStr::Clear(buffer, 0, "xy");  // a zero size touches nothing
  EXPECT_STREQ(buffer, "ab");
  const char* formatted = CStr::Instance()->Format("%s!", std::string(300, 'z').c_str());
  EXPECT_EQ(std::strlen(formatted), CStr::kBufferSize - 1);  // cut at its one buffer
  CStr::FreeInstance();
}

TEST(ProgramDirectory, UpToTheLastBackslashOfTheProgramCutAt255) {
  const std::string fits = "C:\\" + std::string(251, 'd') + "\\";  // 255 characters
  const std::string tooLong = "C:\\" + std::string(300, 'd') + "\\";
  const std::pair<std::string, std::string> rows[] = {
      {"\"C:\\A B\\Setup.exe\" -x", "C:\\A B\\"},
      {"C:\\A B\\Setup.exe -x", "C:\\A B\\"},
      {"\"D:\\Setup.exe\"", "D:\\"},
      {"Setup.exe -debug", ""},
      {"\"Setup.exe\"", ""},
      {"", ""},
      {"\"" + fits + "Setup.exe\" -x", fits},
      {tooLong + "Setup.exe", tooLong.substr(0, 255)}};
  for (const auto& [commandLine, directory] : rows) {
    char stored[CLog::kDirectorySize];
    std::memset(stored, '#', sizeof stored);
    DeriveProgramDirectory(commandLine.c_str(), stored);
    ASSERT_NE(std::memchr(stored, '\0', sizeof stored), nullptr) << commandLine;
    EXPECT_EQ(stored, directory) << commandLine;
  }
}

TEST(FormatHex16, WritesWhatPercent016llxWrites) {
  const std::uint64_t rows[] = {
      0, 1, 0xf, 0x10, 0xabcdef, 0x8000000000000000ull, 0x0123456789abcdefull, ~0ull};
  for (const std::uint64_t value : rows) {
    char expected[24];
    std::snprintf(expected, sizeof expected, "%016llx", static_cast<unsigned long long>(value));
    char text[17];
    std::memset(text, '#', sizeof text);
    FormatHex16(value, text);
    EXPECT_STREQ(text, expected);
  }
}

// {0, 5}: -0.5 gives 0, not -1.
TEST(CenteredStart, HalvesTheRemainingSpaceTruncatingTowardZero) {
  const int rows[][3] = {{1024, 363, 330},
                         {768, 403, 182},
                         {1000, 1000, 0},
                         {1024, 1025, 0},
                         {1024, 1027, -1},
                         {0, 5, -2},
                         {INT_MAX, INT_MIN, INT_MAX},
                         {INT_MIN, INT_MAX, INT_MIN + 1}};
  for (const auto& row : rows) EXPECT_EQ(CenteredStart(row[0], row[1]), row[2]) << row[0];
}

}  // namespace

LogPlatform& SystemLogPlatform() {
  return fake;
}
