// The command line decides about setup.log: only "-debug" (any letter case, nothing
// else on the line) writes it, beside the program or, for a program started by bare
// name, in the current directory.
#include <gtest/gtest.h>

#include <algorithm>

#include "setup_run.h"

namespace e2e {
namespace {

using archive::SetupKind;

constexpr char kStartLine[] = "starting setup, version 1490, params: ";

std::vector<SegmentFile> FullArchive() {
  static const std::vector<SegmentFile> segments = WriteSegments(SmallArchive(SetupKind::Full));
  return segments;
}

// Starts, waits for the wizard, cancels it: a whole ordinary run.
void RunToTheWizardAndCancel(SetupUnderTest& setup) {
  setup.WaitForWizard();
  EXPECT_EQ(setup.CancelWizard(), 0u);
}

std::ptrdiff_t Count(const std::vector<std::string>& lines, const std::string& line) {
  return std::count(lines.begin(), lines.end(), line);
}

TEST(SetupLog, SwitchInCapitalsWritesTheLogWithTheTailAsTyped) {
  SetupUnderTest setup(AllPresent(FullArchive()));
  setup.Start("-DEBUG");
  RunToTheWizardAndCancel(setup);
  const auto lines = setup.LogLines();
  ASSERT_TRUE(lines.has_value());
  ASSERT_GE(lines->size(), 10u);
  // Header: an empty line, then the framed lines at level 0, then another empty line.
  EXPECT_EQ((*lines)[0], "");
  const LogLine separator = ParseLogLine((*lines)[1]);
  EXPECT_TRUE(separator.hasPrefix);
  EXPECT_EQ(separator.level, 0);
  EXPECT_EQ(separator.text, std::string(78, '-'));
  EXPECT_EQ((*lines)[7], "");
  const LogLine start = ParseLogLine((*lines)[8]);
  EXPECT_EQ(start.text, std::string(kStartLine) + "-DEBUG");
  EXPECT_EQ(start.level, 1);
  EXPECT_EQ(setup.LogTexts().back(), "closing setup");
}

TEST(SetupLog, StartLineKeepsMixedCase) {
  SetupUnderTest setup(AllPresent(FullArchive()));
  setup.Start("-DeBuG");
  RunToTheWizardAndCancel(setup);
  const std::vector<std::string> texts = setup.LogTexts();
  EXPECT_EQ(Count(texts, std::string(kStartLine) + "-DeBuG"), 1);
}

class NotTheSwitch : public ::testing::TestWithParam<const char*> {};

TEST_P(NotTheSwitch, WritesNoLog) {
  SetupUnderTest setup(AllPresent(FullArchive()));
  setup.Start(GetParam());
  RunToTheWizardAndCancel(setup);
  EXPECT_FALSE(driver::FileExists(setup.LogPath())) << "tail \"" << GetParam() << "\"";
}

INSTANTIATE_TEST_SUITE_P(Tails, NotTheSwitch,
                         ::testing::Values("-debug x", "-debug ", "/debug", "debug", ""));

TEST(SetupLog, WithoutTheSwitchAnEarlierLogIsLeftAlone) {
  SetupUnderTest setup(AllPresent(FullArchive()));
  const std::string earlier = "earlier run\r\nkept as it was\r\n";
  {
    HANDLE file = CreateFileA(setup.LogPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr);
    // 2020-01-01 00:00 UTC: far from now, so any write would show.
    const ULONGLONG old = 132223104000000000ull;
    const FILETIME time{static_cast<DWORD>(old), static_cast<DWORD>(old >> 32)};
    ASSERT_TRUE(SetFileTime(file, &time, &time, &time));
    CloseHandle(file);
  }
  setup.Start("");
  RunToTheWizardAndCancel(setup);

  EXPECT_EQ(driver::ReadWholeFile(setup.LogPath()), earlier);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(setup.LogPath().c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, static_cast<DWORD>(132223104000000000ull));
  EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, static_cast<DWORD>(132223104000000000ull >> 32));
  EXPECT_EQ(data.nFileSizeLow, earlier.size());
}

TEST(SetupLog, SecondDebugRunReplacesTheFile) {
  SetupUnderTest setup(AllPresent(FullArchive()));
  setup.Start();
  RunToTheWizardAndCancel(setup);
  setup.Start("-Debug");
  RunToTheWizardAndCancel(setup);
  const auto lines = setup.LogLines();
  ASSERT_TRUE(lines.has_value());
  const std::vector<std::string> texts = LogTexts(*lines);
  EXPECT_EQ(Count(texts, std::string(kStartLine) + "-debug"), 0);
  EXPECT_EQ(Count(texts, std::string(kStartLine) + "-Debug"), 1);
  EXPECT_EQ(Count(texts, std::string(78, '-')), 2);
  EXPECT_EQ(Count(texts, "closing setup"), 1);
  EXPECT_EQ(Count(*lines, ""), 2);
}

// Started as "Setup.exe -debug" from its own folder: the command line holds no
// backslash, so the log goes to the current directory.
TEST(SetupLog, BareNameFromItsOwnFolderLogsIntoTheCurrentDirectory) {
  SetupUnderTest setup(AllPresent(FullArchive()), "TdmSetup.exe");
  // CreateProcess looks for a bare name in the starting process's current directory.
  char previous[MAX_PATH] = {};
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(setup.Folder().Path().c_str()));
  try {
    setup.StartCommandLine("TdmSetup.exe -debug", {});
  } catch (...) {
    SetCurrentDirectoryA(previous);
    throw;
  }
  SetCurrentDirectoryA(previous);
  RunToTheWizardAndCancel(setup);
  const auto lines = ReadLogLines(setup.Folder().PathOf(kLogFileName));
  ASSERT_TRUE(lines.has_value());
  const std::vector<std::string> texts = LogTexts(*lines);
  EXPECT_EQ(Count(texts, std::string(kStartLine) + "-debug"), 1);
  EXPECT_EQ(Count(texts, "--- logfile reseted to      : setup.log"), 1);
}

}  // namespace
}  // namespace e2e
