#include "archive_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive_check.h"
#include "archive_checksum.h"
#include "archive_walk.h"
#include "test_release.h"

namespace archive {
namespace {

using test_support::AllPresent;
using test_support::SegmentFile;
using test_support::TestRelease;
using test_support::ViewsOf;
using test_support::WriteSegments;

// Every item the walk meets, one line each, in stream order.
struct Lines final : ArchiveVisitor {
  std::vector<std::string> seen;
  void Add(const std::string& line) { seen.push_back(line); }
  void OnHeader(const SetupHeader& h) override {
    Add(std::to_string(h.kind) + " " + h.title + "|" + h.installDirSuffix + "|" + h.startMenuGroup +
        " " + std::to_string(h.packageVersionMS) + "." + std::to_string(h.packageVersionLS) + " " +
        std::to_string(h.requiredVersionMS) + "." + std::to_string(h.requiredVersionLS));
  }
  void OnTermsLine(std::uint32_t language, const char* line) override {
    Add(std::to_string(language) + " " + line);
  }
  void OnDirectory(const char* name) override { Add(name); }
  void OnReadme(std::uint32_t, const ReadmeEntry& r) override {
    Add(std::string(r.readmeFile) + "|" + r.readmeLinkName);
  }
  void OnFile(const FileRecord& f, int segment) override {
    Add(std::string(f.name) + " " + std::to_string(f.fileTime) + " " +
        std::string(reinterpret_cast<const char*>(f.data), f.size) + " " + std::to_string(segment));
  }
  void OnObsolete(const char* name) override { Add(name); }
  void OnMainProgram(const MainProgramEntry& m) override {
    Add(std::string(m.programFile) + "|" + m.desktopLinkName);
  }
  void OnShortcut(const ShortcutRecord& s) override {
    Add(std::string(s.targetFile) + " " + std::to_string(s.linkNameId));
  }
};

std::vector<std::string> Expected(const ArchiveDescription& d) {
  Lines l;
  l.Add(std::to_string(static_cast<int>(d.kind)) + " " + d.title + "|" + d.installDirSuffix + "|" +
        d.startMenuGroup + " " + std::to_string(d.packageVersionMS) + "." +
        std::to_string(d.packageVersionLS) + " " + std::to_string(d.requiredVersionMS) + "." +
        std::to_string(d.requiredVersionLS));
  for (std::uint32_t language = 0; language < 2; ++language)
    for (const std::string& line : d.termsLines[language])
      l.Add(std::to_string(language) + " " + line);
  for (const std::string& name : d.directories) l.Add(name);
  for (const WriterReadme& r : d.readmes) l.Add(r.readmeFile + "|" + r.readmeLinkName);
  for (const WriterFile& f : d.files)
    l.Add(f.name + " " + std::to_string(f.fileTime) + " " +
          std::string(f.bytes.begin(), f.bytes.end()) + " 1");
  for (const std::string& name : d.obsoleteFiles) l.Add(name);
  l.Add(d.programFile + "|" + d.desktopLinkName);
  for (const WriterShortcut& s : d.shortcuts)
    l.Add(s.targetFile + " " + std::to_string(s.linkNameId));
  return l.seen;
}

std::uint64_t Stored(const SegmentFile& segment) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | segment[static_cast<std::size_t>(i)];
  return value;
}

TEST(ArchiveWriter, RoundTripGivesBackEveryItemWithItsChecksumAndExactSize) {
  for (SetupKind kind : {SetupKind::Full, SetupKind::Update}) {
    const ArchiveDescription d = TestRelease(kind);
    const std::vector<SegmentFile> segments = WriteSegments(d);
    Lines walked;
    const WalkResult walk = WalkArchive(ViewsOf(AllPresent(segments)), walked);
    ASSERT_TRUE(walk.ok) << walk.problem;
    EXPECT_EQ(walked.seen, Expected(d));
    EXPECT_TRUE(CheckArchive(ViewsOf(AllPresent(segments))).ok);
    for (const SegmentFile& segment : segments)
      EXPECT_EQ(Stored(segment), ByteSum(segment.data() + 8, segment.size() - 8));
    std::size_t data = 0;
    for (const WriterFile& f : d.files) data += 268 + f.size;
    const bool update = kind == SetupKind::Update;
    // Header, terms (4 + 2 lines), 3 directories, readmes, files, obsolete list, tail.
    EXPECT_EQ(segments[0].size(), 8 + 788 + 4 + 6 * 256 + 4 + 4 + 3 * 256 + 4 * 256 + 4 + data +
                                      (update ? 4 + 256 : 0) + 512 + 4 + 3 * 260);
    // A Full archive always carries segments 2 and 3, each only its zero checksum.
    EXPECT_EQ(segments.size(), update ? 1u : 3u);
    for (std::size_t n = 1; n < segments.size(); ++n) EXPECT_EQ(segments[n], SegmentFile(8, 0));
  }
}

// Where records land: a segment switches after the record that takes its data strictly
// above the limit; the tail (main program, shortcuts) follows the last record.
TEST(ArchiveWriter, SegmentsSwitchOnlyAboveTheLimitAndNeverPastTheThird) {
  constexpr std::uint64_t kLimit = SEGMENT_DATA_LIMIT;
  static const std::vector<std::uint8_t> big(kLimit + 1, 0x5A);
  struct Row {
    std::vector<std::uint64_t> sizes;
    std::vector<int> fileSegments;  // empty: refused
    int tailSegment;
  };
  const Row rows[] = {{{kLimit - 5, 5, 0}, {1, 1, 1}, 1},  // exactly the limit stays
                      {{kLimit - 5, 6, 1}, {1, 1, 2}, 2},  // one byte more moves the next
                      {{10, kLimit - 9}, {1, 1}, 2},       // the last record moves the tail
                      {{kLimit + 1, kLimit + 1, 1}, {1, 2, 3}, 3},
                      {{kLimit + 1, kLimit + 1, kLimit + 1}, {}, 0},  // the tail needs a fourth
                      {{kLimit + 1, kLimit + 1, kLimit + 1, 1}, {}, 0}};
  for (const Row& row : rows) {
    ArchiveDescription d = TestRelease(SetupKind::Update);
    d.files.clear();
    for (std::uint64_t size : row.sizes)
      d.files.push_back({"f" + std::to_string(d.files.size()), 0, size, {big.data(), size}, {}});
    ArchivePlan plan;
    std::string error;
    const bool planned = PlanArchive(d, plan, error);
    ASSERT_EQ(planned, !row.fileSegments.empty()) << row.sizes.size() << error;
    if (!planned) {
      EXPECT_NE(error.find("more than 3 segments"), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(plan.fileSegment, row.fileSegments);
    EXPECT_EQ(plan.tailSegment, row.tailSegment);
    const WalkResult walk = CheckArchive(ViewsOf(AllPresent(WriteSegments(d))));
    EXPECT_TRUE(walk.ok) << walk.problem;
    EXPECT_EQ(walk.endSegment, row.tailSegment);
  }
}

TEST(ArchiveWriter, RefusesWhatTheFormatCannotHold) {
  struct Row {
    void (*spoil)(ArchiveDescription&);
    const char* error;
  };
  const Row rows[] = {
      {[](ArchiveDescription& d) { d.title = std::string(256, 'T'); }, "the title is 256 bytes"},
      {[](ArchiveDescription& d) { d.termsLines[1][1] = std::string(300, 'x'); },
       "English terms line 2"},
      {[](ArchiveDescription& d) { d.directories[0] = std::string("da\0ta", 5); }, "directory \"da"},
      {[](ArchiveDescription& d) { d.obsoleteFiles = {"old.dll"}; }, "update"},
      {[](ArchiveDescription& d) {
         d.files.push_back({"huge", 0, 0x100000000ull, {}, "x"});
       },
       "4 GiB"},
      {[](ArchiveDescription& d) { d.files[0].size = 4; }, ""},  // the bytes disagree
      {[](ArchiveDescription& d) { d.kind = static_cast<SetupKind>(3); }, ""}};
  for (const Row& row : rows) {
    ArchiveDescription d = TestRelease();
    row.spoil(d);
    try {
      WriteSegments(d);
      ADD_FAILURE() << "written despite: " << row.error;
    } catch (const std::runtime_error& refused) {
      EXPECT_NE(std::string(refused.what()).find(row.error), std::string::npos) << refused.what();
    }
  }
  ArchiveDescription d = TestRelease();
  d.title = std::string(255, 'T');  // fits, zero-terminated in its field
  EXPECT_EQ(reinterpret_cast<const char*>(WriteSegments(d)[0].data() + 8 + 4), d.title);
}

TEST(ArchiveWriter, StreamsASourceFileAndFailsWhenItIsNotItsStatedSize) {
  const auto path = std::filesystem::temp_directory_path() / "tdm_writer_source.bin";
  std::vector<std::uint8_t> content(5'000'000);  // more than one buffer
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()),
             static_cast<std::streamsize>(content.size()));
  ArchiveDescription d = TestRelease(SetupKind::Update);
  d.files = {WriterFile{"sea.map", 9, content.size(), {}, path}};
  const SegmentFile segment = WriteSegments(d)[0];
  const auto at =
      std::search(segment.begin(), segment.end(), content.begin(), content.begin() + 64);
  EXPECT_TRUE(at != segment.end() && std::equal(content.begin(), content.end(), at));
  for (const auto& [size, error] :
       {std::pair{content.size() + 1, "shorter"}, {content.size() - 1, "grew"}}) {
    d.files[0].size = size;
    try {
      WriteSegments(d);
      ADD_FAILURE() << error;
    } catch (const std::runtime_error& refused) {
      EXPECT_NE(std::string(refused.what()).find(error), std::string::npos) << refused.what();
    }
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace archive
