#include "text_encoding.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

TEST(TextEncoding, ConvertsOrRefuses) {
  const struct {
    const char* utf8;
    bool ok;
    const char* expected;  // the Windows-1252 bytes, or a piece of the refusal
  } rows[] = {
      {"\xC3\x84nderungen \xC3\x9F\xE2\x82\xAC\xE2\x80\xA6\xC5\xB8", true,
       "\xC4nderungen \xDF\x80\x85\x9F"},
      {"Karte \xE4\xB8\xAD", false, "holds U+4E2D, which Windows-1252 cannot hold"},
      {"\xC2\x81", false, "U+0081"},  // a gap in Windows-1252
      {"ab\xC3", false, "not valid UTF-8 (byte 3)"},
      {"\xC0\x80", false, "not valid UTF-8"},      // overlong
      {"\xED\xA0\x80", false, "not valid UTF-8"},  // surrogate
      {"\xC4nderung", false, "not valid UTF-8"},   // Latin-1 given as UTF-8
  };
  for (const auto& row : rows) {
    std::string out, problem;
    const bool ok = Utf8ToWindows1252(row.utf8, out, problem);
    EXPECT_TRUE(ok == row.ok &&
                (ok ? out == row.expected : problem.find(row.expected) != std::string::npos))
        << row.utf8 << ": " << out << problem;
  }
  // Every byte Windows-1252 defines comes back from UTF-8 as itself.
  for (int byte = 1; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte)), undefined = "\x81\x8D\x8F\x90\x9D";
    std::string out, problem;
    const bool ok = Utf8ToWindows1252(Windows1252ToUtf8(text), out, problem) && out == text;
    EXPECT_EQ(ok, undefined.find(text) == std::string::npos) << byte;
  }
}

}  // namespace
}  // namespace mksetup
