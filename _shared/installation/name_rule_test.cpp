// The one name rule and the one letter-case folding, as tables.
#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>

#include "name_rule.h"

namespace installation {
namespace {

TEST(NameRule, RefusesWhatWindowsWouldMisreadOrLeaveTheFolder) {
  const struct {
    const char* name;
    const char* problem;  // null: usable
  } rows[] = {
      {"TDMClient.exe", nullptr},
      {"data\\maps\\harbour.map", nullptr},
      {"data/maps/harbour.map", nullptr},
      {"gr\xFC\xDF"
       "e.txt",
       nullptr},
      {"CONSOLE.txt", nullptr},
      {"COM10", nullptr},
      {"a..b", nullptr},
      {".hidden", nullptr},
      {"", "is empty"},
      {"\\boot.ini", "is absolute"},
      {"/etc/passwd", "is absolute"},
      {"C:\\Windows\\evil.txt", "holds a drive letter"},
      {"C:evil.txt", "holds a drive letter"},
      {"..\\outside.txt", "holds a \"..\" component"},
      {"data\\..\\..\\outside.txt", "holds a \"..\" component"},
      {"data\\.\\x", "holds a \".\" component"},
      {"data\\\\x", "has an empty component"},
      {"data\\", "has an empty component"},
      {"CON", "is a reserved device name"},
      {"sub\\nul.txt", "is a reserved device name"},
      {"con .txt", "is a reserved device name"},
      {"Lpt9", "is a reserved device name"},
      {"COM0", nullptr},
      {"com\xB9", "is a reserved device name"},
      {"a.\\x", "ends in a dot or blank"},
      {"...", "ends in a dot or blank"},
      {"name ", "ends in a dot or blank"},
      {"tab\there", "holds a control character"},
      {"a\x1F", "holds a control character"},
      {"what?.txt", "holds a character Windows forbids in file names (<>:\"/\\|?*)"},
      {"a|b", "holds a character Windows forbids in file names (<>:\"/\\|?*)"},
  };
  for (const auto& row : rows) {
    const char* problem = RelativeNameProblem(row.name, "\\/");
    EXPECT_STREQ(problem, row.problem) << row.name;
  }
  EXPECT_STREQ(RelativeNameProblem(std::string_view("a\0b", 3), "\\/"),
               "holds a control character");
  // A manifest's names take only "/" between folders.
  EXPECT_STREQ(RelativeNameProblem("data\\x", "/"),
               "holds a character Windows forbids in file names (<>:\"/\\|?*)");
}

// Windows-1252 to Unicode for 0x80..0x9F; the rest is Latin-1. Unassigned bytes stay.
constexpr char32_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

char32_t ToUnicode(unsigned byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

// Every byte value folds to the byte of its Unicode upper case where Windows-1252 has
// that letter, and stays where it has none (µ, ƒ, ß): the same classes NTFS forms.
TEST(NameRule, FoldsAll256BytesAsUnicodeUpperCaseWithinWindows1252) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char32_t upper =
        static_cast<char32_t>(std::towupper(static_cast<std::wint_t>(ToUnicode(byte))));
    unsigned expected = byte;
    for (unsigned other = 0; other < 256; ++other)
      if (ToUnicode(other) == upper) expected = other;
    const std::string folded = FoldCase(std::string(1, static_cast<char>(byte)));
    EXPECT_EQ(static_cast<unsigned char>(folded[0]), expected) << "byte " << byte;
  }
  std::setlocale(LC_CTYPE, "C");
  EXPECT_TRUE(
      SameName("Data\\\x9A"
               "tit.txt",
               "DATA\\\x8A"
               "TIT.TXT"));                // š and Š
  EXPECT_TRUE(SameName("\xFF", "\x9F"));   // ÿ and Ÿ
  EXPECT_FALSE(SameName("\xF7", "\xD7"));  // ÷ is no letter
  EXPECT_FALSE(SameName("a", "ab"));
}

}  // namespace
}  // namespace installation
