#include "text_encoding.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

// UTF-8 in; the Windows-1252 bytes out, or a piece of the refusal.
TEST(TextEncoding, ConvertsOrRefuses) {
  const struct {
    const char* utf8;
    bool ok;
    const char* expected;  // the bytes, or a piece of the refusal
  } rows[] = {
      {"\xC3\x84nderungen \xC3\xBC\xC3\x9F", true, "\xC4nderungen \xFC\xDF"},  // Ä ü ß
      {"\xE2\x82\xAC\xE2\x80\xA6\xC5\xB8", true, "\x80\x85\x9F"},              // € … Ÿ
      {"\xC2\xA0\xC3\xBF", true, "\xA0\xFF"},
      {"Karte \xE4\xB8\xAD", false, "holds U+4E2D, which Windows-1252 cannot hold"},
      {"\xC2\x81", false, "U+0081"},  // a gap in Windows-1252
      {"\xF0\x9F\x98\x80", false, "U+1F600"},
      {"ab\xC3", false, "not valid UTF-8 (byte 3)"},
      {"\xC0\x80", false, "not valid UTF-8"},      // overlong
      {"\xED\xA0\x80", false, "not valid UTF-8"},  // surrogate
      {"\xC4nderung", false, "not valid UTF-8"},   // Latin-1 given as UTF-8
  };
  for (const auto& row : rows) {
    std::string out, problem;
    const bool ok = Utf8ToWindows1252(row.utf8, out, problem);
    EXPECT_EQ(ok, row.ok) << row.utf8;
    EXPECT_TRUE(ok ? out == row.expected : problem.find(row.expected) != std::string::npos)
        << row.utf8 << ": " << out << problem;
  }
}

TEST(TextEncoding, EveryDefinedByteSurvivesTheRoundTrip) {
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) continue;
    const std::string text(1, static_cast<char>(byte));
    std::string out, problem;
    EXPECT_TRUE(Utf8ToWindows1252(Windows1252ToUtf8(text), out, problem) && out == text) << byte;
  }
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace mksetup
