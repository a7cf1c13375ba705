// The real file under Wine: CR LF bytes, appending beside another handle, emptying on
// a second open, and silence where the file cannot be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "s_logging.h"
#include "test_readers_win.h"

namespace {

using test_support::FileExists;
using test_support::ReadContents;

constexpr const char* kUnit = "_shared/base/s_logging_win_test";
const std::string kDir = "C:\\tdm-log-test\\", kPath = kDir + "setup.log";

TEST(CLogFile, AppendsCrLfLinesBesideAnotherHandleAndASecondOpenEmpties) {
  std::filesystem::create_directories(kDir);
  CLog log(SystemLogPlatform());
  log.Open(2, kPath.c_str());
  log.Log(1, kUnit, __LINE__, "from the first run");
  log.Open(2, kPath.c_str());
  const std::string header = ReadContents(kPath).value_or("");
  EXPECT_EQ(header.find("first run"), std::string::npos);
  HANDLE viewer =
      CreateFileA(kPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  log.Log(1, kUnit, __LINE__, "first\nsecond");
  CloseHandle(viewer);
  const std::string bytes = ReadContents(kPath).value_or("");
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  EXPECT_TRUE(bytes.ends_with(" : 1 : first\r\nsecond\r\n")) << bytes;
  EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "bare line feed at " << at;
  std::filesystem::create_directories(kPath + ".d");  // a folder where the file must be
  for (const std::string& name : {kDir + "missing\\setup.log", kPath + ".d"}) {
    CLog lost(SystemLogPlatform());
    lost.Open(2, name.c_str());
    lost.Log(1, kUnit, __LINE__, "lost");
    EXPECT_FALSE(FileExists(name)) << name;
  }
  std::filesystem::remove_all(kDir);
}

// The system C runtime formats here; it does not terminate a cut text by itself.
TEST(FormatText, CutsAtTheBufferAndTerminatesLikeTheCLibrary) {
  char text[8];
  FormatText(text, sizeof text, "%s%s", "abcd", "efgh");
  EXPECT_STREQ(text, "abcdefg");
  FormatText(text, sizeof text, "%02d:%ld", 7, -3L);
  EXPECT_STREQ(text, "07:-3");
}

}  // namespace
