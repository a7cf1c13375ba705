// The real file under Windows (Wine): line ends, appending, sharing, and the silence of
// a log whose file cannot be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "s_logging.h"

namespace {

constexpr const char* kUnit = "_shared/base/s_logging_win_test";

std::string TempDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof path, path);
  EXPECT_GT(length, 0u);
  std::string directory =
      std::string(path, length) + "tdm-log-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(directory.c_str(), nullptr);
  return directory;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWhole(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

int CountCrLf(const std::string& bytes) {
  int count = 0;
  for (std::size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++count;
  return count;
}

class CLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = TempDirectory();
    path_ = directory_ + "setup.log";
  }
  void TearDown() override {
    DeleteFileA(path_.c_str());
    RemoveDirectoryA(directory_.c_str());
  }
  std::string directory_;
  std::string path_;
};

TEST_F(CLogFileTest, LinesEndInCrLfAndAreAppendedCallByCall) {
  CLog log(SystemLogPlatform());
  log.Open(2, path_.c_str());
  const std::string header = ReadWhole(path_);
  EXPECT_EQ(CountCrLf(header), 8);
  EXPECT_EQ(header.substr(0, 2), "\r\n");
  EXPECT_NE(header.find(" : 0 : --- logfile reseted to      : " + path_ + "\r\n"),
            std::string::npos);

  log.Log(1, kUnit, __LINE__, "first\nsecond");
  log.Log(1, kUnit, __LINE__, "third");
  const std::string bytes = ReadWhole(path_);
  ASSERT_EQ(bytes.substr(0, header.size()), header);
  const std::string added = bytes.substr(header.size());
  EXPECT_EQ(CountCrLf(added), 3);
  EXPECT_NE(added.find(" : 1 : first\r\nsecond\r\n"), std::string::npos);
  EXPECT_EQ(added.substr(added.size() - 7), "third\r\n");
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "bare line feed at " << at;
  }
}

TEST_F(CLogFileTest, SecondOpenEmptiesTheFile) {
  CLog log(SystemLogPlatform());
  log.Open(2, path_.c_str());
  log.Log(1, kUnit, __LINE__, "from the first run");
  log.Open(2, path_.c_str());
  const std::string bytes = ReadWhole(path_);
  EXPECT_EQ(CountCrLf(bytes), 8);
  EXPECT_EQ(bytes.find("first run"), std::string::npos);
}

TEST_F(CLogFileTest, AnotherHandleCanReadAndWriteWhileTheLogWrites) {
  CLog log(SystemLogPlatform());
  log.Open(2, path_.c_str());
  HANDLE viewer =
      CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  log.Log(1, kUnit, __LINE__, "seen by the viewer");
  char bytes[8192] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(viewer, bytes, sizeof bytes - 1, &got, nullptr));
  CloseHandle(viewer);
  EXPECT_NE(std::string(bytes, got).find("seen by the viewer\r\n"), std::string::npos);
}

TEST_F(CLogFileTest, MissingDirectoryWritesNothingAndDoesNotFail) {
  const std::string nowhere = directory_ + "missing\\setup.log";
  CLog log(SystemLogPlatform());
  log.Open(2, nowhere.c_str());
  log.Log(1, kUnit, __LINE__, "lost");
  EXPECT_FALSE(Exists(nowhere));
  EXPECT_EQ(log.LogLevel(), 2);
}

// Wine run as root ignores read-only attributes and permissions; a name that is a
// directory is a file that cannot be opened there too.
TEST_F(CLogFileTest, UnopenableFileWritesNothingAndDoesNotFail) {
  ASSERT_TRUE(CreateDirectoryA(path_.c_str(), nullptr));
  CLog log(SystemLogPlatform());
  log.Open(2, path_.c_str());
  log.Log(1, kUnit, __LINE__, "lost");
  EXPECT_EQ(GetFileAttributesA(path_.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(log.LogLevel(), 2);
  RemoveDirectoryA(path_.c_str());
}

TEST_F(CLogFileTest, OverlongNameCreatesNoFile) {
  CLog log(SystemLogPlatform());
  log.Open(2, path_.c_str());
  const std::string tooLong = directory_ + std::string(CLog::kFileNameSize, 'n') + ".log";
  log.Open(2, tooLong.c_str());
  EXPECT_EQ(log.LogLevel(), -1);
  EXPECT_FALSE(Exists(tooLong));
}

TEST(CLogInstance, ProgramDirectoryHoldsTheRunningProgram) {
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  ASSERT_GT(length, 0u);
  const std::string path(module, length);
  const std::string exeName = path.substr(path.rfind('\\') + 1);
  const std::string directory = CLog::Instance()->ProgramDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '\\');
  EXPECT_TRUE(Exists(directory + exeName)) << directory << exeName;
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
