#include "test_release.h"

#include <deque>
#include <fstream>
#include <stdexcept>

#include "archive_checksum.h"

namespace test_support {
namespace {

constexpr std::size_t kSum = archive::kSegmentChecksumSize;

std::size_t At(const SegmentFile& segment, std::size_t offset, std::size_t size) {
  if (segment.size() < kSum || offset + size > segment.size() - kSum)
    throw std::out_of_range("body offset " + std::to_string(offset) + " outside the segment");
  return kSum + offset;
}

}  // namespace

archive::WriterFile TestFile(const std::string& name, const std::string& contents,
                             std::uint64_t fileTime) {
  static std::deque<std::string> kept;  // the writer only borrows the bytes
  const std::string& bytes = kept.emplace_back(contents);
  archive::WriterFile file{name, fileTime, bytes.size(), {}, {}};
  file.bytes = {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  return file;
}

archive::ArchiveDescription TestRelease(archive::SetupKind kind) {
  const bool update = kind == archive::SetupKind::Update;
  archive::ArchiveDescription d;
  d.kind = kind;
  d.title = update ? "Tidemoor Update 0.807.4 Testausgabe" : "Tidemoor 0.807.3 Testausgabe";
  d.installDirSuffix = "\\" + (d.startMenuGroup = "Tidemoor");
  d.packageVersionMS = 807;
  d.packageVersionLS = update ? 4 : 3;
  d.requiredVersionMS = update ? 807 : 0;
  d.requiredVersionLS = update ? 3 : 0;
  d.termsLines[0] = {"Nutzungsbedingungen f\xFCr Tidemoor", "Bitte lesen Sie sie sorgf\xE4ltig.",
                     "", "Gr\374\337e aus \326sterreich und der Schweiz."};
  d.termsLines[1] = {"Terms of use for Tidemoor", "Please read them carefully."};
  d.directories = {"data", "data/maps", "docs"};
  d.readmes[0] = {"docs/liesmich.txt", "Liesmich.lnk"};
  d.readmes[1] = {"docs/readme.txt", "Readme.lnk"};
  d.files = {TestFile("TDMClient.exe", "MZ Tidemoor client stand-in"),
             TestFile("uninstall.exe", "MZ uninstall stand-in"),
             TestFile("TDMOptions.exe", "MZ options stand-in"),
             TestFile("data/maps/harbour.map", std::string("map\0with\0nuls\r\n", 15)),
             TestFile("data/empty.dat", ""),
             TestFile("docs/liesmich.txt", "Liesmich: Gr\374\337e aus Tidemoor\r\n"),
             TestFile("docs/readme.txt", "Readme: greetings from Tidemoor\r\n")};
  if (update) d.obsoleteFiles = {"data/old_intro.dat"};
  d.programFile = "TDMClient.exe";
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"uninstall.exe", 25}, {"TDMClient.exe", 23}, {"TDMOptions.exe", 24}};
  return d;
}

std::vector<SegmentFile> WriteSegments(const archive::ArchiveDescription& description) {
  archive::ArchivePlan plan;
  std::string error;
  if (!archive::PlanArchive(description, plan, error))
    throw std::runtime_error("archive refused: " + error);
  std::array<archive::MemorySink, archive::kMaxSegments> sinks;
  std::array<archive::SegmentSink*, archive::kMaxSegments> pointers{&sinks[0], &sinks[1],
                                                                    &sinks[2]};
  const archive::WriteResult result = archive::WriteArchive(description, plan, pointers);
  if (!result.ok) throw std::runtime_error("archive not written: " + result.error);
  std::vector<SegmentFile> segments;
  for (int n = 0; n < plan.segmentCount; ++n) segments.push_back(sinks[n].bytes());
  return segments;
}

SegmentSet AllPresent(const std::vector<SegmentFile>& segments) {
  return SegmentSet(segments.begin(), segments.end());
}

archive::SegmentViews ViewsOf(const SegmentSet& segments) {
  archive::SegmentViews views{};
  for (std::size_t n = 0; n < segments.size() && n < views.size(); ++n)
    if (segments[n] && segments[n]->size() >= kSum)
      views[n] = {segments[n]->data() + kSum,
                  static_cast<std::uint32_t>(segments[n]->size() - kSum)};
  return views;
}

void WriteSegmentFiles(const SegmentSet& segments, const std::filesystem::path& folder) {
  for (std::size_t n = 0; n < segments.size(); ++n) {
    if (!segments[n]) continue;
    const auto path = folder / ("ID_SETUPFILE" + std::to_string(n + 1) + ".bin");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(segments[n]->data()),
              static_cast<std::streamsize>(segments[n]->size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
  }
}

void SetBodyByte(SegmentFile& segment, std::size_t offset, std::uint8_t value) {
  segment[At(segment, offset, 1)] = value;
}

std::uint32_t BodyU32(const SegmentFile& segment, std::size_t offset) {
  const std::size_t at = At(segment, offset, 4);
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | segment[at + i];
  return value;
}

void FixChecksum(SegmentFile& segment) {
  const std::uint64_t sum =
      archive::ByteSum(segment.data() + At(segment, 0, 0), segment.size() - kSum);
  for (std::size_t i = 0; i < kSum; ++i) segment[i] = static_cast<std::uint8_t>(sum >> (8 * i));
}

}  // namespace test_support
