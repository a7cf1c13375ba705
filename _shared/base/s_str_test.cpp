#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "s_logging.h"

namespace {

TEST(CStrFormat, FormatsIntoTheOneBuffer) {
  CStr* str = CStr::Instance();
  EXPECT_EQ(CStr::Instance(), str);
  const char* first = str->Format("%s%s", "C:\\Games\\", "setup.log");
  EXPECT_STREQ(first, "C:\\Games\\setup.log");
  EXPECT_EQ(str->Format("%i", 1490), first);  // same buffer, overwritten
  EXPECT_STREQ(first, "1490");
  CStr::FreeInstance();
  CStr::FreeInstance();
}

TEST(CStrFormat, LongResultIsCutTo255Characters) {
  const std::string longText(300, 'z');
  const char* result = CStr::Instance()->Format("%s!", longText.c_str());
  EXPECT_EQ(std::strlen(result), CStr::kBufferSize - 1);
  EXPECT_EQ(result[254], 'z');
  CStr::FreeInstance();
}

TEST(CStrFindChar, FindsFirstOrLastOccurrence) {
  EXPECT_EQ(CStr::FindChar("a\\b\\c", '\\', false), 1);
  EXPECT_EQ(CStr::FindChar("a\\b\\c", '\\', true), 3);
  EXPECT_EQ(CStr::FindChar("\\", '\\', true), 0);
  EXPECT_EQ(CStr::FindChar("abc", '\\', false), -1);
  EXPECT_EQ(CStr::FindChar("", 'a', false), -1);
  EXPECT_EQ(CStr::FindChar(nullptr, 'a', true), -1);
  EXPECT_EQ(CStr::FindChar("abc", '\0', true), -1);
}

TEST(CStrCut, RemovesInPlaceAndStopsAtTheEnd) {
  char text[16] = "abcdef";
  CStr::Cut(text, 1, 2);
  EXPECT_STREQ(text, "adef");
  CStr::Cut(text, 2, 100);
  EXPECT_STREQ(text, "ad");
  CStr::Cut(text, 2, 1);  // at the end: nothing
  EXPECT_STREQ(text, "ad");
  CStr::Cut(text, 0, 0);
  CStr::Cut(text, -1, 1);
  CStr::Cut(text, 0, -3);
  EXPECT_STREQ(text, "ad");
  CStr::Cut(text, 0, 2);
  EXPECT_STREQ(text, "");
  CStr::Cut(text, 0, 1);
  EXPECT_STREQ(text, "");
}

TEST(CStrClear, ZeroesTheWholeSizeAndCopiesAtMostSizeMinusOne) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  CStr::Clear(buffer, 6, "abcdefgh");
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(buffer[6], '#');  // nothing past the given size
  CStr::Clear(buffer, 6, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(buffer[i], '\0') << i;
  CStr::Clear(buffer, 6, "ab");
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(buffer[3], '\0');
  CStr::Clear(buffer, 0, "ab");  // a zero size touches nothing
  EXPECT_STREQ(buffer, "ab");
}

std::string DirectoryOf(const std::string& commandLine) {
  char directory[CLog::kDirectorySize];
  std::memset(directory, '#', sizeof directory);
  DeriveProgramDirectory(commandLine.c_str(), directory);
  EXPECT_NE(std::memchr(directory, '\0', sizeof directory), nullptr);
  return directory;
}

TEST(ProgramDirectory, QuotedAndUnquotedPathsGiveTheSameDirectory) {
  EXPECT_EQ(DirectoryOf("\"C:\\Program Files\\Tidemoor\\Setup.exe\" -debug"),
            "C:\\Program Files\\Tidemoor\\");
  EXPECT_EQ(DirectoryOf("C:\\Program Files\\Tidemoor\\Setup.exe -debug"),
            "C:\\Program Files\\Tidemoor\\");
  EXPECT_EQ(DirectoryOf("\"D:\\Setup.exe\""), "D:\\");
}

TEST(ProgramDirectory, NoBackslashGivesTheCurrentDirectory) {
  EXPECT_EQ(DirectoryOf("Setup.exe -debug"), "");
  EXPECT_EQ(DirectoryOf("\"Setup.exe\""), "");
  EXPECT_EQ(DirectoryOf(""), "");
}

TEST(ProgramDirectory, DirectoryOf255CharactersFits) {
  const std::string directory = "C:\\" + std::string(251, 'd') + "\\";
  ASSERT_EQ(directory.size(), 255u);
  EXPECT_EQ(DirectoryOf("\"" + directory + "Setup.exe\" -debug"), directory);
}

TEST(ProgramDirectory, TooLongDirectoryCannotNameALogFile) {
  const std::string directory = "C:\\" + std::string(300, 'd') + "\\";
  const std::string stored = DirectoryOf(directory + "Setup.exe -debug");
  EXPECT_EQ(stored, directory.substr(0, 255));
  // The name the entry builds from it is refused by the log.
  const char* name = CStr::Instance()->Format("%s%s", stored.c_str(), "setup.log");
  EXPECT_GE(std::strlen(name), CLog::kFileNameSize);
  CStr::FreeInstance();
}

}  // namespace
