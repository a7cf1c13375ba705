#include "archive_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <numeric>
#include <sstream>

#include "archive_check.h"
#include "archive_checksum.h"
#include "archive_cursor.h"
#include "archive_walk.h"
#include "product_identity.h"
#include "test_release.h"

namespace archive {
namespace {

using namespace test_support;
using D = ArchiveDescription;

// Every item the walk meets, one line each, in stream order.
struct Lines final : ArchiveVisitor {
  std::vector<std::string> seen;
  std::vector<std::uint32_t> termsCounts;
  template <class... Parts>
  void Add(const Parts&... parts) {
    std::ostringstream out;
    ((out << parts << '|'), ...);
    seen.push_back(out.str());
  }
  void OnHeader(const SetupHeader& h) override {
    Add(h.kind, h.title, h.installDirSuffix, h.startMenuGroup, h.packageVersionMS,
        h.packageVersionLS, h.requiredVersionMS, h.requiredVersionLS);
  }
  void OnTermsBlock(std::uint32_t, std::uint32_t count) override { termsCounts.push_back(count); }
  void OnTermsLine(std::uint32_t language, const char* line) override { Add(language, line); }
  void OnDirectory(const char* name) override { Add(name); }
  void OnReadme(std::uint32_t, const ReadmeEntry& r) override {
    Add(r.readmeFile, r.readmeLinkName);
  }
  void OnFile(const FileRecord& f, int segment) override {
    Add(f.name, f.fileTime, std::string(reinterpret_cast<const char*>(f.data), f.size), segment);
  }
  void OnObsolete(const char* name) override { Add(name); }
  void OnMainProgram(const MainProgramEntry& m) override { Add(m.programFile, m.desktopLinkName); }
  void OnShortcut(const ShortcutRecord& s) override { Add(s.targetFile, s.linkNameId); }
};

std::vector<std::string> Expected(const D& d) {
  Lines l;
  l.Add(static_cast<int>(d.kind), d.title, d.installDirSuffix, d.startMenuGroup, d.packageVersionMS,
        d.packageVersionLS, d.requiredVersionMS, d.requiredVersionLS);
  for (std::uint32_t language = 0; language < 2; ++language)
    for (const std::string& line : d.termsLines[language]) l.Add(language, line);
  for (const std::string& name : d.directories) l.Add(name);
  for (const WriterReadme& r : d.readmes) l.Add(r.readmeFile, r.readmeLinkName);
  for (const WriterFile& f : d.files)
    l.Add(f.name, f.fileTime, std::string(f.bytes.begin(), f.bytes.end()), 1);
  for (const std::string& name : d.obsoleteFiles) l.Add(name);
  l.Add(d.programFile, d.desktopLinkName);
  for (const WriterShortcut& s : d.shortcuts) l.Add(s.targetFile, s.linkNameId);
  return l.seen;
}

// What WriteSegments refused with, or "written".
std::string Refusal(const D& d) {
  try {
    WriteSegments(d);
    return "written";
  } catch (const std::runtime_error& refused) {
    return refused.what();
  }
}

std::string Problem(const SegmentSet& segments) {
  const WalkResult result = CheckArchive(ViewsOf(segments));
  return result.ok ? "ok" : result.problem;
}

TEST(ArchiveWriter, RoundTripGivesBackEveryItemWithItsChecksumAndExactSize) {
  for (SetupKind kind : {SetupKind::Full, SetupKind::Update}) {
    D d = TestRelease(kind);
    const bool update = kind == SetupKind::Update;
    if (update) d.termsLines[0].clear();  // a block of count 0 holds only its count
    const std::vector<SegmentFile> segments = WriteSegments(d);
    Lines walked;
    const WalkResult walk = WalkArchive(ViewsOf(AllPresent(segments)), walked);
    ASSERT_TRUE(walk.ok) << walk.problem;
    EXPECT_EQ(walked.seen, Expected(d));
    EXPECT_EQ(walked.termsCounts, (std::vector<std::uint32_t>{update ? 0u : 4u, 2}));
    EXPECT_EQ(BodyU32(segments[0], 788), update ? 0u : 4u);
    EXPECT_EQ(Problem(AllPresent(segments)), "ok");
    std::size_t data = 0;
    for (const WriterFile& f : d.files) data += 268 + f.size;
    // Header, terms, 3 directories, readmes, files, obsolete list, tail.
    EXPECT_EQ(segments[0].size(), 8 + 788 + 4 + (update ? 2 : 6) * 256 + 4 + 4 + 3 * 256 + 4 * 256 +
                                      4 + data + (update ? 4 + 256 : 0) + 512 + 4 + 3 * 260);
    // A Full archive always carries segments 2 and 3, each only its zero checksum.
    EXPECT_EQ(segments.size(), update ? 1u : 3u);
    for (std::size_t n = 1; n < segments.size(); ++n) EXPECT_EQ(segments[n], SegmentFile(8, 0));
  }
}

// A segment switches after the record that takes its data strictly above the limit; the
// tail (main program, shortcuts) follows the last record.
TEST(ArchiveWriter, SegmentsSwitchOnlyAboveTheLimitAndNeverPastTheThird) {
  constexpr std::uint64_t kLimit = SEGMENT_DATA_LIMIT;
  static const std::vector<std::uint8_t> big(kLimit + 1, 0x5A);
  const struct {
    std::vector<std::uint64_t> sizes;
    std::vector<int> fileSegments;  // empty: refused
    int tailSegment;
  } rows[] = {{{kLimit - 5, 5, 0}, {1, 1, 1}, 1},  // exactly the limit stays
              {{kLimit - 5, 6, 1}, {1, 1, 2}, 2},  // one byte more moves the next
              {{10, kLimit - 9}, {1, 1}, 2},       // the last record moves the tail
              {{kLimit + 1, kLimit + 1, 1}, {1, 2, 3}, 3},
              {{kLimit + 1, kLimit + 1, kLimit + 1}, {}, 0},  // the tail needs a fourth
              {{kLimit + 1, kLimit + 1, kLimit + 1, 1}, {}, 0}};
  for (const auto& row : rows) {
    D d = TestRelease(SetupKind::Update);
    d.files.clear();
    for (std::uint64_t size : row.sizes)
      d.files.push_back({"f" + std::to_string(d.files.size()), 0, size, {big.data(), size}, {}});
    ArchivePlan plan;
    std::string error;
    ASSERT_EQ(PlanArchive(d, plan, error), !row.fileSegments.empty()) << error;
    EXPECT_EQ(error.find("more than 3 segments") == std::string::npos, !row.fileSegments.empty());
    if (row.fileSegments.empty()) continue;
    EXPECT_EQ(plan.fileSegment, row.fileSegments);
    EXPECT_EQ(plan.tailSegment, row.tailSegment);
    SegmentSet segments = AllPresent(WriteSegments(d));
    const WalkResult walk = CheckArchive(ViewsOf(segments));
    EXPECT_TRUE(walk.ok && walk.endSegment == row.tailSegment) << walk.problem << walk.endSegment;
    if (segments.size() == 1) continue;
    segments.back().reset();  // the stream goes on into a segment that is missing
    EXPECT_NE(Problem(segments).find(", which is absent"), std::string::npos) << Problem(segments);
  }
}

TEST(ArchiveWriter, RefusesWhatTheFormatCannotHold) {
  const std::pair<void (*)(D&), const char*> rows[] = {
      {[](D& d) { d.title = std::string(256, 'T'); }, "the title is 256 bytes"},
      {[](D& d) { d.termsLines[1][1] = std::string(300, 'x'); }, "English terms line 2"},
      {[](D& d) { d.directories[0] = std::string("da\0ta", 5); }, "directory \"da"},
      {[](D& d) { d.obsoleteFiles = {"old.dll"}; }, "update"},
      {[](D& d) { d.files[0].size = 0x100000000ull; }, "4 GiB"},
      {[](D& d) { d.files[0].size = 4; }, ""},  // the bytes disagree
      {[](D& d) { d.kind = static_cast<SetupKind>(3); }, ""}};
  for (const auto& [spoil, error] : rows) {
    D d = TestRelease();
    spoil(d);
    const std::string refusal = Refusal(d);
    EXPECT_TRUE(refusal != "written" && refusal.find(error) != std::string::npos) << refusal;
  }
  D d = TestRelease();
  d.title = std::string(255, 'T');  // fits, zero-terminated in its field
  EXPECT_EQ(reinterpret_cast<const char*>(WriteSegments(d)[0].data() + 8 + 4), d.title);
}

TEST(ArchiveWriter, StreamsASourceFileAndFailsWhenItIsNotItsStatedSize) {
  const auto path = std::filesystem::temp_directory_path() / "tdm_writer_source.bin";
  std::string content(5'000'000, '\0');  // more than one buffer
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  std::ofstream(path, std::ios::binary) << content;
  D d = TestRelease(SetupKind::Update);
  d.files = {WriterFile{"sea.map", 9, content.size(), {}, path}};
  const SegmentFile segment = WriteSegments(d)[0];
  EXPECT_NE(std::string(segment.begin(), segment.end()).find(content), std::string::npos);
  d.files[0].size = content.size() + 1;
  EXPECT_NE(Refusal(d).find("shorter"), std::string::npos);
  d.files[0].size = content.size() - 1;
  EXPECT_NE(Refusal(d).find("grew"), std::string::npos);
  std::filesystem::remove(path);
}

// Behind the header and the terms blocks (4 German and 2 English lines).
constexpr std::size_t kDirectoryCount = 788 + 4 + 4 * 256 + 4 + 2 * 256;

TEST(ArchiveCheck, RefusesSegmentsThatDoNotHoldTogether) {
  const std::pair<void (*)(SegmentSet&), const char*> rows[] = {
      {[](SegmentSet& s) { (*s[0])[8 + kDirectoryCount + 3] = 1; }, "runs past the body"},
      {[](SegmentSet& s) {
         for (std::size_t i = 0; i < kText256Size; ++i)
           SetBodyByte(*s[0], kDirectoryCount + 4 + i, 'd');
       },
       "no terminating NUL"},
      {[](SegmentSet& s) { s[0]->push_back(0); }, "1 bytes are left over"},
      {[](SegmentSet& s) { s[2]->push_back(0); }, "segment 3 holds bytes"},
      {[](SegmentSet& s) { s[0]->pop_back(); }, "shortcut record runs past"}};
  for (const auto& [spoil, problem] : rows) {
    SegmentSet segments = AllPresent(WriteSegments(TestRelease()));
    spoil(segments);
    EXPECT_NE(Problem(segments).find(problem), std::string::npos) << problem;
  }
}

TEST(ArchiveCheck, RefusesNamesThatLeaveTheirFolder) {
  const std::pair<void (*)(D&), const char*> rows[] = {
      {[](D& d) { d.files[0].name = "C:evil.dll"; }, "drive letter"},
      {[](D& d) { d.files[0].name = "/etc/evil"; }, "starts with a separator"},
      {[](D& d) { d.files[0].name = "\\evil.dll"; }, "starts with a separator"},
      {[](D& d) { d.files[0].name = "data/../../evil.dll"; }, "\"..\""},
      {[](D& d) { d.files[0].name = "data\\.."; }, "\"..\""},
      {[](D& d) { d.obsoleteFiles = {"../outside.dll"}; }, "obsolete file name"},
      {[](D& d) { d.shortcuts[0].targetFile = "\\\\server\\share\\x.exe"; }, "shortcut target"},
      {[](D& d) { d.desktopLinkName = "sub\\Tidemoor.lnk"; }, "desktop link name"},
      {[](D& d) { d.readmes[1].readmeLinkName = "../Readme.lnk"; }, "holds a separator"}};
  for (const auto& [spoil, problem] : rows) {
    D d = TestRelease(SetupKind::Update);
    spoil(d);
    EXPECT_NE(Problem(AllPresent(WriteSegments(d))).find(problem), std::string::npos) << problem;
  }
}

using Bytes = std::vector<std::uint8_t>;

SegmentView View(const Bytes& bytes) {
  static const std::uint8_t kEmpty = 0;  // a present body of length 0 still has a pointer
  return {bytes.empty() ? &kEmpty : bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

TEST(ByteSum, MatchesAPlainSumAtEveryLengthAndAlignmentWithoutWrapping) {
  Bytes bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(255 - i * 7);
  for (std::size_t start = 0; start < 17; ++start)
    for (std::size_t length = 0; start + length <= bytes.size(); length += 13)
      ASSERT_EQ(ByteSum(bytes.data() + start, length),
                std::accumulate(bytes.begin() + start, bytes.begin() + start + length, 0ull));
  const Bytes ones(1 << 20, 0xFF);
  EXPECT_EQ(ByteSum(ones.data(), ones.size()), 255ull << 20);
}

// Progress every tenth of the body: ten points for a multiple of ten, else eleven.
TEST(ByteSumWithProgress, PointsAtEachStepOfATenth) {
  const std::pair<std::uint32_t, std::vector<std::uint32_t>> rows[] = {
      {0, {}},
      {9, {0}},
      {95, {0, 9, 18, 27, 36, 45, 54, 63, 72, 81, 90}},
      {100, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}}};
  for (const auto& [length, expected] : rows) {
    const Bytes body(length, 2);
    std::vector<std::uint32_t> points;
    EXPECT_EQ(
        ByteSumWithProgress(body.data(), length, [&](std::uint32_t at) { points.push_back(at); }),
        2ull * length);
    EXPECT_EQ(points, expected) << length;
  }
}

TEST(ArchiveCursor, ReadsLittleEndianAndRefusesEveryReadPastTheBody) {
  const Bytes body = {0x78, 0x56, 0x34, 0x12, 1, 2, 3, 4, 5, 6, 7, 0x80, 9};
  SegmentViews segments{View(body), {}, {}};
  ArchiveCursor cursor(&segments);
  std::uint32_t u32 = 0;
  std::uint64_t u64 = 0;
  const std::uint8_t* data = nullptr;
  ASSERT_TRUE(cursor.ReadU32(u32) && cursor.ReadU64(u64));
  EXPECT_FALSE(cursor.ReadU32(u32) || cursor.ReadData(2, data));  // 1 byte left, cursor unmoved
  EXPECT_FALSE(cursor.ReadData(0xFFFFFFFFu, data) || cursor.Skip(0xFFFFFFF5u));  // no wrap
  EXPECT_EQ(cursor.offset(), 12u);
  ASSERT_TRUE(cursor.ReadData(1, data));
  EXPECT_EQ(*data, 9);
  EXPECT_TRUE(cursor.ReadData(0, data));  // an empty file at the very end of a body
  // Text256 takes the whole field and needs a NUL inside it.
  Bytes texts(4 * kText256Size - 1, 0);
  std::memset(texts.data(), 'a', kText256MaxLength);                // 255 characters plus NUL
  std::memset(texts.data() + 2 * kText256Size, 'b', kText256Size);  // no NUL at all
  segments[0] = View(texts);
  ASSERT_TRUE(cursor.Seek(1, 0));
  const char* text = nullptr;
  ASSERT_TRUE(cursor.ReadText(text));
  EXPECT_EQ(std::strlen(text), 255u);
  ASSERT_TRUE(cursor.ReadText(text));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(cursor.ReadText(text));
  EXPECT_EQ(cursor.offset(), 2 * kText256Size);
  ASSERT_TRUE(cursor.Skip(kText256Size));
  EXPECT_FALSE(cursor.ReadText(text));  // a field cut short by the body's end
}

TEST(ArchiveCursor, SeeksAndSwitchesOnlyToPresentSegmentsOneToThree) {
  const Bytes one(4, 1), two, three(4, 3);
  SegmentViews segments{View(one), View(two), {}};
  ArchiveCursor cursor(&segments);
  const std::uint8_t* data = nullptr;
  for (int segment : {0, -1, 4, 1000})
    EXPECT_TRUE(!cursor.Seek(segment, 0) && cursor.segment() == 1 && cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(3, 0));  // absent: nothing can be read there, not even 0 bytes
  EXPECT_FALSE(cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(1, 5));  // past the body's end
  EXPECT_FALSE(cursor.ReadData(0, data));
  ASSERT_TRUE(cursor.Seek(1, 4) && cursor.NextSegment());  // an empty but present segment 2
  EXPECT_EQ(cursor.offset(), 0u);
  EXPECT_FALSE(cursor.NextSegment());  // segment 3 absent
  EXPECT_EQ(cursor.segment(), 2);
  segments[2] = View(three);
  ASSERT_TRUE(cursor.NextSegment() && cursor.ReadData(4, data));
  EXPECT_EQ(data, three.data());
  EXPECT_FALSE(cursor.NextSegment());  // there is no fourth
  EXPECT_EQ(cursor.segment(), 3);
}

TEST(ProductIdentity, Table) {
  const std::string longest(kIdentityValueMaxLength, 'p');
  const struct {
    std::string bytes;
    std::optional<ProductIdentity> want;
  } rows[] = {
      {"", ProductIdentity{}},
      {"Publisher=Tidemoor Games\n", ProductIdentity{"Tidemoor Games", ""}},
      {"URLInfoAbout=https://x.example/\nPublisher=P\xE4r\n",
       ProductIdentity{"P\xE4r", "https://x.example/"}},
      {"FeedAddress=https://feed/\nPublisher=P\n", ProductIdentity{"P", ""}},  // later keys skipped
      {"Publisher=" + longest + "\n", ProductIdentity{longest, ""}},
      {"Publisher=" + longest + "p\n", std::nullopt},
      {"Publisher=P", std::nullopt},
      {"Publisher\n", std::nullopt},
      {"Publisher=P\nPublisher=Q\n", std::nullopt},
      {"Publisher=P\tQ\n", std::nullopt},
  };
  // What the reader accepts writes back alike: command_line_fuzz.
  for (const auto& row : rows) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.bytes.data());
    EXPECT_EQ(ParseProductIdentity(bytes, row.bytes.size()), row.want) << row.bytes;
  }
  EXPECT_EQ(DisplayVersionText(807, 3), "0.807.3");
  EXPECT_EQ(DisplayVersionText(4294967295u, 0), "0.4294967295.0");
}

}  // namespace
}  // namespace archive
