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

TEST(SizeText, TransferLineTable) {
  constexpr std::uint64_t kK = 1024, kM = kK * kK;
  CLang::SetLanguage(kLanguageEnglish);
  const struct {
    std::uint64_t done, total, received, elapsedMs;
    const char* line;
  } rows[] = {
      {0, 20 * kM, 0, 0, "0 Bytes / 20.0 MBytes"},
      {512 * kK, 20 * kM, 512 * kK, 999, "512.0 KBytes / 20.0 MBytes"},  // under a second
      {kM, 20 * kM, kM, 1000, "1.0 MBytes / 20.0 MBytes, 1.0 MBytes/s, 0:19"},
      {kM, 20 * kM, kM / 2, 1000, "1.0 MBytes / 20.0 MBytes, 512.0 KBytes/s, 0:38"},
      {20 * kM, 20 * kM, 20 * kM, 20000, "20.0 MBytes / 20.0 MBytes, 1.0 MBytes/s, 0:00"},
      {kM + 1, kM + 2, kM + 1, 1000, "1.0 MBytes / 1.0 MBytes, 1.0 MBytes/s, 0:01"},  // rounded up
      {kK, 20 * kM, kK, 1000, "1.0 KBytes / 20.0 MBytes, 1.0 KBytes/s, 5:41:19"},
      {5, 10, 5, 10'000, "5 Bytes / 10 Bytes"},  // slower than a byte a second
  };
  for (const auto& row : rows)
    EXPECT_EQ(TransferLine(row.done, row.total, row.received, row.elapsedMs), row.line) << row.line;
  // No overflow at the far end of 64 bits: the time left is that of the whole total.
  const std::string far = TransferLine(0, ~std::uint64_t{0}, ~std::uint64_t{0} / 2, 1000);
  EXPECT_EQ(far.substr(far.rfind(", ")), ", 0:03");
  CLang::SetLanguage(kLanguageGerman);
  EXPECT_EQ(TransferLine(kM, 2 * kM, kM, 2000), "1.0 MBytes / 2.0 MBytes, 512.0 KBytes/s, 0:02");
}

}  // namespace
}  // namespace updater
