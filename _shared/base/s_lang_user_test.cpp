#include "s_lang_user.h"

#include <gtest/gtest.h>

#include "s_lang.h"

TEST(LanguageForUserLangId, Table) {
  const struct {
    std::uint16_t langId;
    std::uint32_t want;
  } rows[] = {
      {0x0407, kLanguageGerman},  {0x0807, kLanguageGerman},  {0x0C07, kLanguageGerman},
      {0x1007, kLanguageGerman},  {0x1407, kLanguageGerman},  {0x0007, kLanguageEnglish},
      {0x1807, kLanguageEnglish}, {0x0409, kLanguageEnglish}, {0x040C, kLanguageEnglish},
      {0x0000, kLanguageEnglish}, {0xFFFF, kLanguageEnglish},
  };
  for (const auto& row : rows) EXPECT_EQ(LanguageForUserLangId(row.langId), row.want) << row.langId;
}
