#include "text_encoding.h"

#include <gtest/gtest.h>

namespace mksetup {
namespace {

std::string To1252(const std::string& utf8) {
  std::string out, problem;
  EXPECT_TRUE(Utf8ToWindows1252(utf8, out, problem)) << problem;
  return out;
}

std::string Refusal(const std::string& utf8) {
  std::string out, problem;
  EXPECT_FALSE(Utf8ToWindows1252(utf8, out, problem));
  return problem;
}

TEST(TextEncoding, ConvertsLatinLettersAndTheHighPunctuation) {
  EXPECT_EQ(To1252("Tidemoor"), "Tidemoor");
  EXPECT_EQ(To1252("\xC3\x84nderungen \xC3\xBC\xC3\x9F"), "\xC4nderungen \xFC\xDF");  // Ä ü ß
  EXPECT_EQ(To1252("\xE2\x82\xAC"), "\x80");                                          // €
  EXPECT_EQ(To1252("\xE2\x80\xA6"), "\x85");                                          // …
  EXPECT_EQ(To1252("\xC5\xB8"), "\x9F");                                              // Ÿ
  EXPECT_EQ(To1252("\xC2\xA0\xC3\xBF"), "\xA0\xFF");
}

TEST(TextEncoding, RefusesWhatWindows1252CannotHold) {
  EXPECT_EQ(Refusal("Karte \xE4\xB8\xAD"), "holds U+4E2D, which Windows-1252 cannot hold");
  EXPECT_NE(Refusal("\xC2\x81").find("U+0081"), std::string::npos);  // undefined in 1252
  EXPECT_NE(Refusal("\xF0\x9F\x98\x80").find("U+1F600"), std::string::npos);
}

TEST(TextEncoding, RefusesMalformedUtf8) {
  EXPECT_NE(Refusal("ab\xC3").find("not valid UTF-8 (byte 3)"), std::string::npos);
  EXPECT_NE(Refusal("\xC0\x80").find("not valid UTF-8"), std::string::npos);      // overlong
  EXPECT_NE(Refusal("\xED\xA0\x80").find("not valid UTF-8"), std::string::npos);  // surrogate
  EXPECT_NE(Refusal("\xC4nderung").find("not valid UTF-8"), std::string::npos);   // Latin-1 input
}

TEST(TextEncoding, EveryDefinedByteSurvivesTheRoundTrip) {
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D) continue;
    const std::string text(1, static_cast<char>(byte));
    EXPECT_EQ(To1252(Windows1252ToUtf8(text)), text) << byte;
  }
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace mksetup
