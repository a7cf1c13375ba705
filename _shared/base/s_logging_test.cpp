#include "s_logging.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Files in memory, a clock that reads whatever the test sets.
class FakeLogPlatform : public LogPlatform {
 public:
  std::uint32_t TickCount() override { return ticks; }
  LogTime LocalTime() override { return now; }
  LogTimeZone TimeZone() override { return zone; }
  const char* CommandLine() override { return commandLine.c_str(); }
  void CreateEmpty(const char* fileName) override { files[fileName].clear(); }
  bool Append(const char* fileName, std::string_view bytes) override {
    ++appendCalls;
    if (refuseFiles) return false;
    files[fileName].append(bytes);
    return true;
  }

  std::uint32_t ticks = 1000;
  LogTime now{2026, 12, 5, 6, 14, 2, 11};
  LogTimeZone zone{-3600, 0, "CET", "CEST"};
  std::string commandLine = "\"C:\\Games\\Tidemoor\\Setup.exe\" -debug";
  std::map<std::string, std::string> files;
  bool refuseFiles = false;
  int appendCalls = 0;
};

FakeLogPlatform& Fake() {
  static FakeLogPlatform fake;
  return fake;
}

constexpr const char* kUnit = "_shared/base/s_logging_test";
const std::string kSeparator(78, '-');

std::vector<std::string> SplitCrLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(bytes.substr(start, end - start));
  }
  EXPECT_EQ(start, bytes.size()) << "the file must end with CR LF";
  return lines;
}

class CLogTest : public ::testing::Test {
 protected:
  void SetUp() override { Fake() = FakeLogPlatform(); }
  void TearDown() override { CLog::FreeInstance(); }
  std::string& File(const char* name) { return Fake().files[name]; }
  // Writes through a non-literal empty format, as a caller with a computed text would.
  void LogEmptyFormat(CLog& log, int level) {
    const std::string empty;
    log.Log(level, kUnit, __LINE__, empty.c_str(), 0);
  }
};

TEST_F(CLogTest, OpenWritesTheHeaderAtLevelZero) {
  Fake().zone = {-19800, 1, "IST", "IDT"};  // -5.5 hours: truncated toward zero
  CLog log(Fake());
  log.Open(2, "C:\\Games\\Tidemoor\\setup.log");
  const std::string prefix = "1000 : 14:02:11 : 0 : ";
  const std::vector<std::string> expected = {
      "",
      prefix + kSeparator,
      prefix + "--- logfile for application : \"C:\\Games\\Tidemoor\\Setup.exe\" -debug",
      prefix + "--- logfile reseted to      : C:\\Games\\Tidemoor\\setup.log",
      prefix + "--- logging started on      : Sat Dec 05 14:02:11 2026",
      prefix + "--- (-5 IST / 1 IDT)",
      prefix + kSeparator,
      "",
  };
  EXPECT_EQ(SplitCrLf(File("C:\\Games\\Tidemoor\\setup.log")), expected);
  EXPECT_EQ(log.LogLevel(), 2);
  EXPECT_STREQ(log.LogFileName(), "C:\\Games\\Tidemoor\\setup.log");
}

TEST_F(CLogTest, EachLineIsTicksTimeLevelAndTextEndingInCrLf) {
  struct Row {
    int level;
    const char* format;  // nullptr: a computed empty format
    const char* text;
    const char* bytes;
  };
  const std::string overlong(3000, 'x');
  // 2048 with terminator: 2046 characters, then CR put before the line feed.
  const std::string cut = "-2 : 07:05:03 : 1 : " + std::string(2046 - 20, 'x') + "\r\n";
  const Row rows[] = {{1, "create file: %s", "a.dat", "-2 : 07:05:03 : 1 : create file: a.dat\r\n"},
                      {2, "%s", "two", "-2 : 07:05:03 : 2 : two\r\n"},
                      {-5, "%s", "minus five", "-2 : 07:05:03 : -5 : minus five\r\n"},
                      {3, "%s", "above the level", ""},
                      {1, "%s", "a\nb", "-2 : 07:05:03 : 1 : a\r\nb\r\n"},
                      {1, "%s", "", "-2 : 07:05:03 : 1 : \r\n"},
                      {1, nullptr, "", "\r\n"},
                      {1, "%s", overlong.c_str(), cut.c_str()}};
  CLog log(Fake());
  log.Open(2, "t.log");
  Fake().now = {2027, 1, 9, 0, 7, 5, 3};
  Fake().ticks = 0xFFFFFFFEu;  // past 24.8 days the signed count goes negative
  for (const Row& row : rows) {
    File("t.log").clear();
    if (row.format != nullptr) {
      log.Log(row.level, kUnit, __LINE__, row.format, row.text);
    } else {
      LogEmptyFormat(log, row.level);
    }
    EXPECT_EQ(File("t.log"), row.bytes) << row.text;
  }
}

TEST_F(CLogTest, SecondOpenReplacesTheFile) {
  CLog log(Fake());
  log.Open(2, "setup.log");
  log.Log(1, kUnit, __LINE__, "starting setup, version %i, params: %s", 1490, "-debug");
  Fake().zone = {18000, 0, "EST", "EDT"};
  log.Open(2, "setup.log");
  const std::vector<std::string> lines = SplitCrLf(File("setup.log"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[5], "1000 : 14:02:11 : 0 : --- (5 EST / 0 EDT)");
}

TEST_F(CLogTest, OffLogWritesNothing) {
  CLog log(Fake());
  log.Log(-5, kUnit, __LINE__, "never");
  LogEmptyFormat(log, -5);
  EXPECT_EQ(Fake().appendCalls, 0);
  EXPECT_EQ(log.LogLevel(), -1);
  EXPECT_STREQ(log.LogFileName(), "");
}

TEST_F(CLogTest, FileNameOf127FitsOf128OpensNoLogAndStopsTheOldOne) {
  const std::string fits(127, 'a');
  const std::string tooLong(128, 'b');
  CLog log(Fake());
  log.Open(2, tooLong.c_str());
  EXPECT_EQ(log.LogLevel(), -1);
  EXPECT_TRUE(Fake().files.empty());
  log.Open(2, fits.c_str());
  EXPECT_EQ(log.LogLevel(), 2);
  EXPECT_STREQ(log.LogFileName(), fits.c_str());
  const std::string header = File(fits.c_str());
  log.Open(2, tooLong.c_str());
  log.Log(1, kUnit, __LINE__, "after");
  EXPECT_EQ(Fake().files.size(), 1u);
  EXPECT_EQ(File(fits.c_str()), header);
  EXPECT_EQ(log.LogLevel(), -1);
}

TEST_F(CLogTest, UnwritableFileIsSkippedAndTriedAgainNextLine) {
  Fake().refuseFiles = true;
  CLog log(Fake());
  log.Open(2, "setup.log");
  EXPECT_EQ(Fake().appendCalls, 8);
  log.Log(1, kUnit, __LINE__, "one");
  EXPECT_EQ(Fake().appendCalls, 9);
  Fake().refuseFiles = false;
  log.Log(1, kUnit, __LINE__, "three");
  EXPECT_EQ(File("setup.log"), "1000 : 14:02:11 : 1 : three\r\n");
}

TEST_F(CLogTest, InstanceIsCreatedOnceAndFreshAfterFree) {
  CLog* first = CLog::Instance();
  EXPECT_EQ(CLog::Instance(), first);
  EXPECT_STREQ(first->ProgramDirectory(), "C:\\Games\\Tidemoor\\");
  first->Open(2, "setup.log");
  CLog::FreeInstance();
  CLog::FreeInstance();
  EXPECT_EQ(CLog::Instance()->LogLevel(), -1);
  EXPECT_STREQ(CLog::Instance()->LogFileName(), "");
}

TEST_F(CLogTest, EntryBuildsTheLogNameFromTheProgramDirectory) {
  const char* name =
      CStr::Instance()->Format("%s%s", CLog::Instance()->ProgramDirectory(), "setup.log");
  CLog::Instance()->Open(2, name);
  EXPECT_EQ(Fake().files.count("C:\\Games\\Tidemoor\\setup.log"), 1u);
  CStr::FreeInstance();
}

}  // namespace

LogPlatform& SystemLogPlatform() {
  return Fake();
}
