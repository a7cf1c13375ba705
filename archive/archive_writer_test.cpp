#include "archive_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>

#include "archive_check.h"
#include "archive_checksum.h"
#include "archive_walk.h"

namespace archive {
namespace {

struct Written {
  ArchivePlan plan;
  std::array<std::unique_ptr<MemorySink>, kMaxSegments> sinks;
  WriteResult result;

  const std::vector<std::uint8_t>& segment(int n) const { return sinks[n - 1]->bytes(); }
  SegmentViews views() const {
    SegmentViews views{};
    for (int n = 0; n < plan.segmentCount; ++n) {
      const auto& bytes = sinks[n]->bytes();
      views[n] = {bytes.data() + kSegmentChecksumSize,
                  static_cast<std::uint32_t>(bytes.size() - kSegmentChecksumSize)};
    }
    return views;
  }
};

std::unique_ptr<Written> Write(const ArchiveDescription& d) {
  auto written = std::make_unique<Written>();
  std::string error;
  if (!PlanArchive(d, written->plan, error)) {
    written->result.error = error;
    return written;
  }
  std::array<SegmentSink*, kMaxSegments> sinks{};
  for (int n = 0; n < written->plan.segmentCount; ++n) {
    written->sinks[n] = std::make_unique<MemorySink>(written->plan.bodyLength[n] + 8);
    sinks[n] = written->sinks[n].get();
  }
  written->result = WriteArchive(d, written->plan, sinks);
  return written;
}

std::uint32_t U32At(const std::vector<std::uint8_t>& segment, std::size_t bodyOffset) {
  const std::uint8_t* at = segment.data() + kSegmentChecksumSize + bodyOffset;
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

std::string TextAt(const std::vector<std::uint8_t>& segment, std::size_t bodyOffset) {
  return reinterpret_cast<const char*>(segment.data() + kSegmentChecksumSize + bodyOffset);
}

const std::vector<std::uint8_t>& BigData() {  // one buffer shared by every large file
  static const std::vector<std::uint8_t> data(SEGMENT_DATA_LIMIT + 1, 0x5A);
  return data;
}

std::span<const std::uint8_t> Big(std::size_t size) {
  return {BigData().data(), size};
}

const std::uint8_t kClient[] = {'M', 'Z', 0x90, 0x00, 0xFF};
const std::uint8_t kReadme[] = {'h', 'e', 'l', 'l', 'o', '\r', '\n'};

ArchiveDescription Small(SetupKind kind) {
  ArchiveDescription d;
  d.kind = kind;
  d.title = "Tidemoor 0.807";
  d.installDirSuffix = "\\Tidemoor";
  d.startMenuGroup = "Tidemoor";
  d.packageVersionMS = 807;
  d.packageVersionLS = 3;
  d.requiredVersionMS = 806;
  d.requiredVersionLS = 1;
  d.termsLines[0] = {"Nutzungsbedingungen", "", "\xC4nderungen vorbehalten"};
  d.termsLines[1] = {"Terms of use", ""};
  d.directories = {"data", "data/maps"};
  d.readmes = {WriterReadme{"Liesmich.txt", "Liesmich.lnk"},
               WriterReadme{"Readme.txt", "Readme.lnk"}};
  d.files = {WriterFile{"TDMClient.exe", 0x01D0000012345678ull, sizeof kClient, kClient, {}},
             WriterFile{"data/empty.dat", 7, 0, {}, {}},
             WriterFile{"Readme.txt", 0xFFFFFFFFFFFFFFFFull, sizeof kReadme, kReadme, {}}};
  d.programFile = "TDMClient.exe";
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"TDMClient.exe", 25}, {"Uninstall.exe", 23}, {"Readme.txt", 24}};
  return d;
}

// Body offset of the FileTable's count in Small(): header, 3 + 2 terms lines,
// 2 directories, the readme pairs.
constexpr std::size_t kSmallFileCount = 788 + 4 + 3 * 256 + 4 + 2 * 256 + 4 + 2 * 256 + 4 * 256;
constexpr std::size_t kSmallAfterFiles =
    kSmallFileCount + 4 + (268 + sizeof kClient) + 268 + (268 + sizeof kReadme);

struct Collector final : ArchiveVisitor {
  struct File {
    std::string name;
    std::uint64_t time;
    std::uint32_t size;
    std::vector<std::uint8_t> data;
    int segment;
  };
  SetupHeader header;
  std::string title, suffix, group;
  std::vector<std::string> terms[2], directories, obsolete;
  std::vector<std::pair<std::string, std::string>> readmes;
  std::vector<File> files;
  std::string program, desktopLink;
  std::vector<std::pair<std::string, std::uint32_t>> shortcuts;

  void OnHeader(const SetupHeader& h) override {
    header = h;
    title = h.title;
    suffix = h.installDirSuffix;
    group = h.startMenuGroup;
  }
  void OnTermsLine(std::uint32_t language, const char* line) override {
    terms[language].push_back(line);
  }
  void OnDirectory(const char* name) override { directories.push_back(name); }
  void OnReadme(std::uint32_t, const ReadmeEntry& r) override {
    readmes.emplace_back(r.readmeFile, r.readmeLinkName);
  }
  void OnFile(const FileRecord& f, int segment) override {
    files.push_back(
        {f.name, f.fileTime, f.size, {f.data, f.data + std::min(f.size, 64u)}, segment});
  }
  void OnObsolete(const char* name) override { obsolete.push_back(name); }
  void OnMainProgram(const MainProgramEntry& m) override {
    program = m.programFile;
    desktopLink = m.desktopLinkName;
  }
  void OnShortcut(const ShortcutRecord& s) override {
    shortcuts.emplace_back(s.targetFile, s.linkNameId);
  }
};

void ExpectChecksumsAreBodySums(const Written& w) {
  for (int n = 1; n <= w.plan.segmentCount; ++n) {
    const auto& bytes = w.segment(n);
    std::uint64_t stored = 0;
    std::memcpy(&stored, bytes.data(), 8);  // both little-endian
    EXPECT_EQ(stored, ByteSum(bytes.data() + 8, bytes.size() - 8)) << "segment " << n;
    EXPECT_EQ(stored, w.result.checksums[n - 1]);
  }
}

TEST(ArchiveWriter, RoundTripGivesBackEveryNameTimeSizeAndByte) {
  ArchiveDescription d = Small(SetupKind::Update);
  d.obsoleteFiles = {"old/patch.dll", "TDMClient.bak"};
  const auto w = Write(d);
  ASSERT_TRUE(w->result.ok) << w->result.error;
  ASSERT_EQ(w->plan.segmentCount, 1);
  ExpectChecksumsAreBodySums(*w);
  Collector c;
  const WalkResult walk = CheckArchive(w->views());
  ASSERT_TRUE(walk.ok) << walk.problem;
  ASSERT_TRUE(WalkArchive(w->views(), c).ok);
  EXPECT_EQ(c.header.kind, 2u);
  EXPECT_EQ(c.title, d.title);
  EXPECT_EQ(c.suffix, d.installDirSuffix);
  EXPECT_EQ(c.group, d.startMenuGroup);
  EXPECT_EQ(c.header.packageVersionMS, 807u);
  EXPECT_EQ(c.header.packageVersionLS, 3u);
  EXPECT_EQ(c.header.requiredVersionMS, 806u);
  EXPECT_EQ(c.header.requiredVersionLS, 1u);
  EXPECT_EQ(c.terms[0], d.termsLines[0]);
  EXPECT_EQ(c.terms[1], d.termsLines[1]);
  EXPECT_EQ(c.directories, d.directories);
  ASSERT_EQ(c.readmes.size(), 2u);
  EXPECT_EQ(c.readmes[0].first, "Liesmich.txt");
  EXPECT_EQ(c.readmes[1].second, "Readme.lnk");
  ASSERT_EQ(c.files.size(), d.files.size());
  for (std::size_t i = 0; i < d.files.size(); ++i) {
    EXPECT_EQ(c.files[i].name, d.files[i].name);
    EXPECT_EQ(c.files[i].time, d.files[i].fileTime);
    EXPECT_EQ(c.files[i].size, d.files[i].size);
    EXPECT_EQ(c.files[i].data,
              std::vector<std::uint8_t>(d.files[i].bytes.begin(), d.files[i].bytes.end()));
    EXPECT_EQ(c.files[i].segment, 1);
  }
  EXPECT_EQ(c.obsolete, d.obsoleteFiles);
  EXPECT_EQ(c.program, "TDMClient.exe");
  EXPECT_EQ(c.desktopLink, "Tidemoor.lnk");
  const std::vector<std::pair<std::string, std::uint32_t>> shortcuts = {
      {"TDMClient.exe", 25}, {"Uninstall.exe", 23}, {"Readme.txt", 24}};
  EXPECT_EQ(c.shortcuts, shortcuts);
}

TEST(ArchiveWriter, StreamsFileDataFromASourceFile) {
  const auto path = std::filesystem::temp_directory_path() / "tdm_writer_source.bin";
  std::vector<std::uint8_t> content(5'000'000);  // more than one buffer
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()),
             static_cast<std::streamsize>(content.size()));
  ArchiveDescription d = Small(SetupKind::Full);
  d.files.push_back(WriterFile{"data/maps/sea.map", 9, content.size(), {}, path});
  const auto w = Write(d);
  std::filesystem::remove(path);
  ASSERT_TRUE(w->result.ok) << w->result.error;
  ExpectChecksumsAreBodySums(*w);
  const auto& body = w->segment(1);
  const std::size_t data = kSmallAfterFiles + 268 + kSegmentChecksumSize;
  ASSERT_GE(body.size(), data + content.size());
  EXPECT_TRUE(std::equal(content.begin(), content.end(), body.begin() + static_cast<long>(data)));
}

TEST(ArchiveWriter, SourceFileShorterThanItsSizeFailsTheWrite) {
  const auto path = std::filesystem::temp_directory_path() / "tdm_writer_short.bin";
  std::ofstream(path, std::ios::binary) << "abc";
  ArchiveDescription d = Small(SetupKind::Update);
  d.files.push_back(WriterFile{"short.bin", 1, 4, {}, path});
  const auto shorter = Write(d);
  d.files.back().size = 2;
  const auto longer = Write(d);
  std::filesystem::remove(path);
  EXPECT_FALSE(shorter->result.ok);
  EXPECT_NE(shorter->result.error.find("shorter"), std::string::npos) << shorter->result.error;
  EXPECT_FALSE(longer->result.ok);
  EXPECT_NE(longer->result.error.find("grew"), std::string::npos) << longer->result.error;
}

TEST(ArchiveWriter, FullHasNoObsoleteListAndUpdateHasItsFourByteCount) {
  const auto full = Write(Small(SetupKind::Full));
  const auto update = Write(Small(SetupKind::Update));
  ASSERT_TRUE(full->result.ok && update->result.ok);
  // Full: the MainProgramEntry directly follows the last file record.
  EXPECT_EQ(TextAt(full->segment(1), kSmallAfterFiles), "TDMClient.exe");
  EXPECT_EQ(U32At(update->segment(1), kSmallAfterFiles), 0u);
  EXPECT_EQ(TextAt(update->segment(1), kSmallAfterFiles + 4), "TDMClient.exe");
  EXPECT_EQ(update->segment(1).size(), full->segment(1).size() + 4);
  EXPECT_EQ(update->segment(1).size(), 8 + kSmallAfterFiles + 4 + 512 + 4 + 3 * 260);
  // Full always carries segments 2 and 3, each only its zero checksum.
  ASSERT_EQ(full->plan.segmentCount, 3);
  EXPECT_EQ(full->segment(2), std::vector<std::uint8_t>(8, 0));
  EXPECT_EQ(full->segment(3), std::vector<std::uint8_t>(8, 0));
  EXPECT_EQ(update->plan.segmentCount, 1);
  EXPECT_TRUE(CheckArchive(full->views()).ok);
}

TEST(ArchiveWriter, EmptyFileStillTakes268Bytes) {
  const auto w = Write(Small(SetupKind::Full));
  ASSERT_TRUE(w->result.ok);
  const std::size_t empty = kSmallFileCount + 4 + 268 + sizeof kClient;
  EXPECT_EQ(TextAt(w->segment(1), empty), "data/empty.dat");
  EXPECT_EQ(U32At(w->segment(1), empty + 256), 7u);  // low half of the FILETIME
  EXPECT_EQ(U32At(w->segment(1), empty + 264), 0u);  // size
  EXPECT_EQ(TextAt(w->segment(1), empty + 268), "Readme.txt");
}

TEST(ArchiveWriter, TextsAreZeroPaddedAndRefusedWhenTheyDoNotFit) {
  ArchiveDescription d = Small(SetupKind::Full);
  d.title = std::string(255, 'T');
  const auto fits = Write(d);
  ASSERT_TRUE(fits->result.ok) << fits->result.error;
  EXPECT_EQ(TextAt(fits->segment(1), 4), d.title);
  EXPECT_EQ(fits->segment(1)[8 + 4 + 255], 0);
  EXPECT_EQ(TextAt(fits->segment(1), 260), "\\Tidemoor");
  EXPECT_EQ(fits->segment(1)[8 + 260 + 10], 0);  // padding behind the suffix

  d.title = std::string(256, 'T');
  EXPECT_NE(Write(d)->result.error.find("the title is 256 bytes"), std::string::npos);
  d = Small(SetupKind::Full);
  d.termsLines[1][1] = std::string(300, 'x');
  EXPECT_NE(Write(d)->result.error.find("English terms line 2"), std::string::npos);
  d = Small(SetupKind::Full);
  d.directories[0] = std::string("da\0ta", 5);
  EXPECT_NE(Write(d)->result.error.find("NUL"), std::string::npos);
}

TEST(ArchiveWriter, RefusesWhatTheFormatCannotHold) {
  ArchiveDescription d = Small(SetupKind::Full);
  d.obsoleteFiles = {"old.dll"};
  EXPECT_NE(Write(d)->result.error.find("update"), std::string::npos);
  d = Small(SetupKind::Full);
  d.files.push_back(WriterFile{"huge.bin", 0, 0x100000000ull, {}, "never-read.bin"});
  EXPECT_NE(Write(d)->result.error.find("4 GiB"), std::string::npos);
  d = Small(SetupKind::Full);
  d.files[0].size = 4;  // in-memory bytes disagree with the size
  EXPECT_FALSE(Write(d)->result.ok);
  d = Small(SetupKind::Full);
  d.kind = static_cast<SetupKind>(3);
  EXPECT_FALSE(Write(d)->result.ok);
}

TEST(ArchiveWriter, RecordReachingExactlyTheLimitStaysInItsSegment) {
  ArchiveDescription d = Small(SetupKind::Update);
  d.files = {WriterFile{"a.bin", 1, SEGMENT_DATA_LIMIT - 5, Big(SEGMENT_DATA_LIMIT - 5), {}},
             WriterFile{"b.bin", 2, 5, Big(5), {}}, WriterFile{"c.bin", 3, 0, {}, {}}};
  const auto w = Write(d);
  ASSERT_TRUE(w->result.ok) << w->result.error;
  // b takes the total to exactly the limit: c follows it in the same body.
  EXPECT_EQ(w->plan.segmentCount, 1);
  EXPECT_EQ(w->plan.fileSegment, (std::vector<int>{1, 1, 1}));
  Collector c;
  const WalkResult walk = WalkArchive(w->views(), c);
  ASSERT_TRUE(walk.ok) << walk.problem;
  EXPECT_EQ(c.files[2].segment, 1);
}

TEST(ArchiveWriter, OneByteOverTheLimitMovesTheNextRecordToTheNextBody) {
  ArchiveDescription d = Small(SetupKind::Update);
  d.files = {WriterFile{"a.bin", 1, SEGMENT_DATA_LIMIT - 5, Big(SEGMENT_DATA_LIMIT - 5), {}},
             WriterFile{"b.bin", 2, 6, Big(6), {}}, WriterFile{"c.bin", 3, 1, Big(1), {}}};
  const auto w = Write(d);
  ASSERT_TRUE(w->result.ok) << w->result.error;
  ASSERT_EQ(w->plan.segmentCount, 2);
  EXPECT_EQ(w->segment(1).size(),
            8 + kSmallFileCount + 4 + 268 + (SEGMENT_DATA_LIMIT - 5) + 268 + 6);
  EXPECT_EQ(TextAt(w->segment(2), 0), "c.bin");
  ExpectChecksumsAreBodySums(*w);
  Collector c;
  const WalkResult walk = CheckArchive(w->views());
  ASSERT_TRUE(walk.ok) << walk.problem;
  ASSERT_TRUE(WalkArchive(w->views(), c).ok);
  EXPECT_EQ(c.files[1].segment, 1);
  EXPECT_EQ(c.files[2].segment, 2);
  EXPECT_EQ(c.program, "TDMClient.exe");
}

TEST(ArchiveWriter, LastRecordCrossingTheLimitMovesTheTailToTheNextSegment) {
  ArchiveDescription d = Small(SetupKind::Full);
  d.files = {WriterFile{"a.bin", 1, 10, Big(10), {}},
             WriterFile{"b.bin", 2, SEGMENT_DATA_LIMIT - 9, Big(SEGMENT_DATA_LIMIT - 9), {}}};
  const auto w = Write(d);
  ASSERT_TRUE(w->result.ok) << w->result.error;
  ASSERT_EQ(w->plan.segmentCount, 3);
  EXPECT_EQ(w->plan.tailSegment, 2);
  EXPECT_EQ(w->segment(2).size(), 8u + 512 + 4 + 3 * 260);  // a Full archive: no ObsoleteList
  EXPECT_EQ(TextAt(w->segment(2), 0), "TDMClient.exe");
  EXPECT_EQ(w->segment(3).size(), 8u);
  const WalkResult walk = CheckArchive(w->views());
  EXPECT_TRUE(walk.ok) << walk.problem;
  EXPECT_EQ(walk.endSegment, 2);
}

TEST(ArchiveWriter, MoreThanThreeSegmentsAreRefused) {
  const std::size_t over = SEGMENT_DATA_LIMIT + 1;
  ArchiveDescription d = Small(SetupKind::Update);
  d.files = {WriterFile{"1.bin", 0, over, Big(over), {}},
             WriterFile{"2.bin", 0, over, Big(over), {}}, WriterFile{"3.bin", 0, 1, Big(1), {}}};
  ArchivePlan plan;
  std::string error;
  ASSERT_TRUE(PlanArchive(d, plan, error)) << error;  // three segments still fit
  EXPECT_EQ(plan.segmentCount, 3);
  d.files[2] = WriterFile{"3.bin", 0, over, Big(over), {}};  // the tail would need a fourth
  EXPECT_FALSE(PlanArchive(d, plan, error));
  EXPECT_NE(error.find("more than 3 segments"), std::string::npos) << error;
  d.files.push_back(WriterFile{"4.bin", 0, 1, Big(1), {}});
  error.clear();
  EXPECT_FALSE(PlanArchive(d, plan, error));
  EXPECT_NE(error.find("before \"4.bin\""), std::string::npos) << error;
}

TEST(ArchiveWriter, CurrentReleaseShapeIsOneSegmentEndingAtItsEnd) {
  ArchiveDescription d = Small(SetupKind::Update);
  d.termsLines[0].assign(255, "Zeile");
  d.termsLines[1].assign(226, "Line");
  d.directories.clear();
  for (int i = 0; i < 26; ++i)
    d.directories.push_back(std::string("dir").append(std::to_string(i)));
  d.files.clear();
  std::uint64_t data = 0;
  for (int i = 0; i < 14; ++i) {
    d.files.push_back(
        WriterFile{std::string("f").append(std::to_string(i)), 0, 1'000'000, Big(1'000'000), {}});
    data += 1'000'000;
  }
  d.files.push_back(WriterFile{"last", 0, 2'514'375, Big(2'514'375), {}});
  ASSERT_EQ(data + 2'514'375, 16'514'375u);
  d.shortcuts = {{"f0", 25}, {"f1", 23}, {"f2", 24}};
  const auto w = Write(d);
  ASSERT_TRUE(w->result.ok) << w->result.error;
  ASSERT_EQ(w->plan.segmentCount, 1);
  EXPECT_EQ(w->segment(1).size(), 16'651'323u);
  ExpectChecksumsAreBodySums(*w);
  const WalkResult walk = CheckArchive(w->views());
  ASSERT_TRUE(walk.ok) << walk.problem;
  EXPECT_EQ(walk.endSegment, 1);
  EXPECT_EQ(walk.endOffset, 16'651'323u - 8);
}

}  // namespace
}  // namespace archive
