#include "corrupted_text.h"

#include <gtest/gtest.h>

#include "s_lang.h"

namespace setup {
namespace {

TEST(CorruptedText, Table) {
  const struct {
    std::uint32_t language;
    bool sums;  // a checksum mismatch, computed 100 and stored 200
    const char* want;
  } rows[] = {
      {kLanguageGerman, false, "Die Installations-Datei ist fehlerhaft!"},
      {kLanguageEnglish, false, "The setup file is corrupted!"},
      {kLanguageGerman, true, "Die Installations-Datei ist fehlerhaft! (100<->200)"},
      {kLanguageEnglish, true, "The setup file is corrupted!100<->200)"},
  };
  for (const auto& row : rows) {
    CLang::SetLanguage(row.language);
    const char* text40 = CLang::GetText(kMsgSetupFileCorrupted);
    EXPECT_EQ(row.sums ? ChecksumMismatchText(text40, 100, 200) : CorruptedText(text40), row.want);
  }
  EXPECT_EQ(CorruptedText("a (b"), "a (b");  // only a bracket at the end is left open
}

}  // namespace
}  // namespace setup
