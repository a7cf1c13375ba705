#include "size_text.h"

#include <gtest/gtest.h>

#include "s_lang.h"
#include "updater_msg_ids.h"

namespace updater {
namespace {

TEST(SizeText, Table) {
  constexpr std::uint64_t kK = 1024, kM = kK * kK;
  const struct {
    std::uint64_t bytes;
    SizeText text;
  } rows[] = {
      {0, {"0", kMsgUnitBytes}},
      {1023, {"1023", kMsgUnitBytes}},
      {kK, {"1.0", kMsgUnitKBytes}},
      {kK + 51, {"1.0", kMsgUnitKBytes}},
      {kK + 52, {"1.1", kMsgUnitKBytes}},
      {kM - 52, {"1023.9", kMsgUnitKBytes}},
      {kM - 51, {"1.0", kMsgUnitMBytes}},
      {170 * kM + kM / 2, {"170.5", kMsgUnitMBytes}},
      {~std::uint64_t{0}, {"17592186044416.0", kMsgUnitMBytes}},
  };
  for (const auto& row : rows) EXPECT_EQ(DescribeSize(row.bytes), row.text) << row.bytes;
  CLang::SetLanguage(kLanguageEnglish);
  EXPECT_EQ(NewFilesLine(3, 3 * kM / 2), "New files found: 3, overall length: 1.5 MBytes.");
  CLang::SetLanguage(kLanguageGerman);
  EXPECT_EQ(NewFilesLine(1, 12), "Neue Dateien gefunden: 1, Gesamtl\xE4nge: 12 Bytes.");
}

}  // namespace
}  // namespace updater
