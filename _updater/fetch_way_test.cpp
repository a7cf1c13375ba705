#include "fetch_way.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(FetchWay, CheapestFirstAndEveryFailureFallsBack) {
  const feed::ContentRef content{{0xC0}, 1000};
  const feed::Hash old{0xA1}, other{0xA2}, changed{0x99};
  const feed::ContentRef zst{{0x21}, 400}, patch{{0x31}, 30}, bigPatch{{0x32}, 500};
  const FetchWay whole{Way::kWhole, content, {}}, compressed{Way::kCompressed, zst, {}},
      byPatch{Way::kPatch, patch, old};
  feed::Index bare, withZst, full, zstTooBig, patchTooBig;
  withZst.forms = {{content.hash, zst, {}}};
  full.forms = {{content.hash, zst, {{other, bigPatch}, {old, patch}}}};
  zstTooBig.forms = {{content.hash, {{0x22}, 1000}, {}}};
  patchTooBig.forms = {{content.hash, {}, {{old, {{0x33}, 1000}}}}};
  const struct {
    const feed::Index* index;
    const feed::Hash* installed;
    std::vector<FetchWay> ways;
  } rows[] = {
      {&bare, &old, {whole}},                       // no forms: the plain file
      {&withZst, nullptr, {compressed, whole}},     // nothing installed
      {&full, &old, {byPatch, compressed, whole}},  // the patch from what is there
      {&full, &content.hash, {compressed, whole}},  // no patch from itself
      {&full, nullptr, {compressed, whole}},        // the installed file unreadable
      {&full, &changed, {compressed, whole}},       // changed by the player
      {&full, &other, {compressed, whole}},         // a patch dearer than the compressed
      {&zstTooBig, nullptr, {whole}},               // a form that saves nothing
      {&patchTooBig, &old, {whole}},
  };
  for (const auto& row : rows) EXPECT_EQ(WaysToFetch(*row.index, content, row.installed), row.ways);
  // The player is told what travels: each file by its cheapest way.
  EXPECT_EQ(BytesToFetch({{byPatch, compressed, whole}, {compressed, whole}, {whole}}),
            30u + 400u + 1000u);
  EXPECT_EQ(BytesToFetch({}), 0u);

  EXPECT_EQ(WayPath(byPatch, content.hash),
            "patches/a1/a1" + std::string(62, '0') + "-c0" + std::string(62, '0') + ".zst");
  EXPECT_EQ(WayPath(compressed, content.hash), "files/c0/c0" + std::string(62, '0') + ".zst");
  EXPECT_EQ(WayPath(whole, content.hash), "files/c0/c0" + std::string(62, '0'));
  EXPECT_EQ(WayDownloadName(compressed), "21" + std::string(62, '0') + ".zst");
  EXPECT_EQ(WayDownloadName(whole), "c0" + std::string(62, '0'));
  using R = WayResult;
  for (const R failure : {R::kFetchFailed, R::kBadHeader, R::kDecodeFailed, R::kWrongResult})
    EXPECT_EQ(DecideAfterWay(failure), AfterWay::kNextWay);
  EXPECT_EQ(DecideAfterWay(R::kReady), AfterWay::kFileReady);
  EXPECT_EQ(DecideAfterWay(R::kCancelled), AfterWay::kStop);
}

}  // namespace
}  // namespace updater
