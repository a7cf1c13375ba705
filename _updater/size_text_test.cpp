#include "size_text.h"

#include <gtest/gtest.h>

#include "s_lang.h"
#include "updater_msg_ids.h"

namespace updater {
namespace {

TEST(SizeText, Table) {
  constexpr std::uint64_t kK = 1024, kM = kK * kK;
  const std::uint32_t kB = kMsgUnitBytes, kKB = kMsgUnitKBytes, kMB = kMsgUnitMBytes;
  // clang-format off
  const std::pair<std::uint64_t, SizeText> rows[] = {{0, {"0", kB}}, {1023, {"1023", kB}}, {kK, {"1.0", kKB}},
      {kK + 51, {"1.0", kKB}}, {kK + 52, {"1.1", kKB}}, {kM - 52, {"1023.9", kKB}}, {kM - 51, {"1.0", kMB}},
      {170 * kM + kM / 2, {"170.5", kMB}}, {~std::uint64_t{0}, {"17592186044416.0", kMB}}};
  // clang-format on
  for (const auto& [bytes, text] : rows) EXPECT_EQ(DescribeSize(bytes), text) << bytes;
  CLang::SetLanguage(kLanguageEnglish);
  EXPECT_EQ(NewFilesLine(3, 3 * kM / 2), "New files found: 3, overall length: 1.5 MBytes.");
  CLang::SetLanguage(kLanguageGerman);
  EXPECT_EQ(NewFilesLine(1, 12), "Neue Dateien gefunden: 1, Gesamtl\xE4nge: 12 Bytes.");
}

}  // namespace
}  // namespace updater
