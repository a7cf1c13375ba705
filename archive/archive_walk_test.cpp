#include "archive_walk.h"

#include <gtest/gtest.h>

#include "archive_check.h"
#include "test_release.h"

namespace archive {
namespace {

using namespace test_support;

// Behind the header and the terms blocks (4 German and 2 English lines).
constexpr std::size_t kDirectoryCount = 788 + 4 + 4 * 256 + 4 + 2 * 256;

struct TermsCounter final : ArchiveVisitor {
  std::vector<std::uint32_t> counts;
  void OnTermsBlock(std::uint32_t, std::uint32_t count) override { counts.push_back(count); }
};

TEST(ArchiveWalk, TermsBlockOfCountZeroHoldsOnlyItsCount) {
  ArchiveDescription d = TestRelease();
  d.termsLines[0].clear();
  const std::vector<SegmentFile> segments = WriteSegments(d);
  TermsCounter counter;
  ASSERT_TRUE(WalkArchive(ViewsOf(AllPresent(segments)), counter).ok);
  EXPECT_EQ(counter.counts, (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(BodyU32(segments[0], 788), 0u);
  EXPECT_EQ(BodyU32(segments[0], 792), 2u);
}

std::string Problem(const SegmentSet& segments) {
  const WalkResult result = CheckArchive(ViewsOf(segments));
  EXPECT_FALSE(result.ok);
  return result.problem;
}

TEST(ArchiveCheck, RefusesSegmentsThatDoNotHoldTogether) {
  const std::pair<void (*)(SegmentSet&), const char*> rows[] = {
      {[](SegmentSet& s) { SetBodyU32(*s[0], kDirectoryCount, 0x00FFFFFF); }, "runs past the body"},
      {[](SegmentSet& s) {
         for (std::size_t i = 0; i < kText256Size; ++i)
           SetBodyByte(*s[0], kDirectoryCount + 4 + i, 'd');
       },
       "no terminating NUL"},
      {[](SegmentSet& s) { s[0]->push_back(0); }, "1 bytes are left over"},
      {[](SegmentSet& s) { s[2]->push_back(0); }, "segment 3 holds bytes"},
      {[](SegmentSet& s) { Cut(*s[0], s[0]->size() - 1); }, "shortcut record runs past"}};
  for (const auto& [spoil, problem] : rows) {
    SegmentSet segments = AllPresent(WriteSegments(TestRelease()));
    spoil(segments);
    EXPECT_NE(Problem(segments).find(problem), std::string::npos) << problem;
  }
  // An Update whose only file crosses the limit has its tail in segment 2.
  static const std::vector<std::uint8_t> big(SEGMENT_DATA_LIMIT + 1, 0);
  ArchiveDescription d = TestRelease(SetupKind::Update);
  d.files = {WriterFile{"big.bin", 0, big.size(), big, {}}};
  SegmentSet segments = AllPresent(WriteSegments(d));
  ASSERT_EQ(segments.size(), 2u);
  segments.resize(1);
  EXPECT_NE(Problem(segments).find("segment 2, which is absent"), std::string::npos);
}

TEST(ArchiveCheck, RefusesNamesThatLeaveTheirFolder) {
  const std::pair<void (*)(ArchiveDescription&), const char*> rows[] = {
      {[](ArchiveDescription& d) { d.files[0].name = "C:\\Windows\\evil.dll"; }, "drive letter"},
      {[](ArchiveDescription& d) { d.files[0].name = "C:evil.dll"; }, "drive letter"},
      {[](ArchiveDescription& d) { d.files[0].name = "/etc/evil"; }, "starts with a separator"},
      {[](ArchiveDescription& d) { d.files[0].name = "\\evil.dll"; }, "starts with a separator"},
      {[](ArchiveDescription& d) { d.files[0].name = "data/../../evil.dll"; }, "\"..\""},
      {[](ArchiveDescription& d) { d.files[0].name = "data\\.."; }, "\"..\""},
      {[](ArchiveDescription& d) { d.obsoleteFiles = {"../outside.dll"}; }, "obsolete file name"},
      {[](ArchiveDescription& d) { d.shortcuts[0].targetFile = "\\\\server\\share\\x.exe"; },
       "shortcut target"},
      {[](ArchiveDescription& d) { d.desktopLinkName = "sub\\Tidemoor.lnk"; }, "desktop link name"},
      {[](ArchiveDescription& d) { d.readmes[1].readmeLinkName = "../Readme.lnk"; },
       "holds a separator"}};
  for (const auto& [spoil, problem] : rows) {
    ArchiveDescription d = TestRelease(SetupKind::Update);
    spoil(d);
    EXPECT_NE(Problem(AllPresent(WriteSegments(d))).find(problem), std::string::npos) << problem;
  }
}

}  // namespace
}  // namespace archive
