// The real file under Windows (Wine): line ends, appending, sharing, and the silence of
// a log whose file cannot be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "s_logging.h"
#include "test_readers_win.h"

namespace {

using test_support::FileExists;
using test_support::ReadContents;

constexpr const char* kUnit = "_shared/base/s_logging_win_test";

class CLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(directory_); }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  const std::string directory_ = "C:\\tdm-log-test\\";
  const std::string path_ = directory_ + "setup.log";
};

TEST_F(CLogFileTest, LinesEndInCrLfAppendedCallByCallAndASecondOpenEmpties) {
  CLog log(SystemLogPlatform());
  log.Open(2, path_.c_str());
  log.Log(1, kUnit, __LINE__, "from the first run");
  log.Open(2, path_.c_str());
  const std::string header = ReadContents(path_).value_or("");
  EXPECT_EQ(header.find("first run"), std::string::npos);
  EXPECT_EQ(header.substr(0, 2), "\r\n");
  EXPECT_NE(header.find(" : 0 : --- logfile reseted to      : " + path_ + "\r\n"),
            std::string::npos);
  // Another handle may read and write while the log writes.
  HANDLE viewer =
      CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  log.Log(1, kUnit, __LINE__, "first\nsecond");
  log.Log(1, kUnit, __LINE__, "third");
  CloseHandle(viewer);
  const std::string bytes = ReadContents(path_).value_or("");
  ASSERT_EQ(bytes.substr(0, header.size()), header);
  const std::string added = bytes.substr(header.size());
  EXPECT_NE(added.find(" : 1 : first\r\nsecond\r\n"), std::string::npos);
  EXPECT_EQ(added.substr(added.size() - 7), "third\r\n");
  EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 3);
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "bare line feed at " << at;
}

TEST_F(CLogFileTest, FileThatCannotBeWrittenOrNamedWritesNothingAndDoesNotFail) {
  std::filesystem::create_directories(path_);  // a folder where the file must be
  for (const std::string& name : {directory_ + "missing\\setup.log", path_}) {
    CLog log(SystemLogPlatform());
    log.Open(2, name.c_str());
    log.Log(1, kUnit, __LINE__, "lost");
    EXPECT_FALSE(FileExists(name)) << name;
    EXPECT_EQ(log.LogLevel(), 2);
  }
  const std::string tooLong = directory_ + std::string(CLog::kFileNameSize, 'n') + ".log";
  CLog log(SystemLogPlatform());
  log.Open(2, tooLong.c_str());
  EXPECT_EQ(log.LogLevel(), -1);
  EXPECT_FALSE(FileExists(tooLong));
}

TEST(CLogInstance, ProgramDirectoryHoldsTheRunningProgram) {
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  ASSERT_GT(length, 0u);
  const std::string path(module, length);
  EXPECT_EQ(CLog::Instance()->ProgramDirectory(), path.substr(0, path.rfind('\\') + 1));
  CLog::FreeInstance();
}

// The system C runtime formats here; it does not terminate a cut text by itself.
TEST(FormatText, CutsAtTheBufferAndTerminatesLikeTheCLibrary) {
  char text[8];
  FormatText(text, sizeof text, "%s", "abcdefg");
  EXPECT_STREQ(text, "abcdefg");
  FormatText(text, sizeof text, "%s%s", "abcd", "efgh");
  EXPECT_STREQ(text, "abcdefg");
  FormatText(text, sizeof text, "%2.3f|%u", 807 * 0.001, 12u);
  EXPECT_STREQ(text, "0.807|1");
  FormatText(text, sizeof text, "%02d:%ld", 7, -3L);
  EXPECT_STREQ(text, "07:-3");
}

}  // namespace
