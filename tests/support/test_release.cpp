#include "test_release.h"

#include <deque>
#include <fstream>
#include <stdexcept>

#include "archive_checksum.h"

namespace test_support {
namespace {

using archive::kSegmentChecksumSize;

void CheckBody(const SegmentFile& segment, std::size_t offset, std::size_t size) {
  if (segment.size() < kSegmentChecksumSize ||
      offset + size > segment.size() - kSegmentChecksumSize)
    throw std::out_of_range("body offset " + std::to_string(offset) + " outside the segment");
}

}  // namespace

archive::WriterFile TestFile(const std::string& name, const std::string& contents,
                             std::uint64_t fileTime) {
  static std::deque<std::string> kept;  // the writer only borrows the bytes
  kept.push_back(contents);
  archive::WriterFile file;
  file.name = name;
  file.fileTime = fileTime;
  file.size = kept.back().size();
  file.bytes = {reinterpret_cast<const std::uint8_t*>(kept.back().data()), kept.back().size()};
  return file;
}

archive::ArchiveDescription TestRelease(archive::SetupKind kind) {
  const bool update = kind == archive::SetupKind::Update;
  archive::ArchiveDescription d;
  d.kind = kind;
  d.title = update ? kUpdateTitle : kFullTitle;
  d.installDirSuffix = "\\Tidemoor";
  d.startMenuGroup = "Tidemoor";
  d.packageVersionMS = 807;
  d.packageVersionLS = update ? 4 : 3;
  d.requiredVersionMS = update ? 807 : 0;
  d.requiredVersionLS = update ? 3 : 0;
  d.termsLines[0] = {"Nutzungsbedingungen f\xFCr Tidemoor", "Bitte lesen Sie sie sorgf\xE4ltig.",
                     "",
                     "Gr\xFC\xDF"
                     "e aus \xD6sterreich und der Schweiz."};
  d.termsLines[1] = {"Terms of use for Tidemoor", "Please read them carefully."};
  d.directories = {"data", "data/maps", "docs"};
  d.readmes[0] = {"docs/liesmich.txt", "Liesmich.lnk"};
  d.readmes[1] = {"docs/readme.txt", "Readme.lnk"};
  d.files = {TestFile("TDMClient.exe", "MZ Tidemoor client stand-in"),
             TestFile("uninstall.exe", "MZ uninstall stand-in"),
             TestFile("TDMOptions.exe", "MZ options stand-in"),
             TestFile("data/maps/harbour.map", std::string("map\0with\0nuls\r\n", 15)),
             TestFile("data/empty.dat", ""),
             TestFile("docs/liesmich.txt",
                      "Liesmich: Gr\xFC\xDF"
                      "e aus Tidemoor\r\n"),
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
  std::array<archive::SegmentSink*, archive::kMaxSegments> pointers{};
  for (int n = 0; n < archive::kMaxSegments; ++n) pointers[n] = &sinks[n];
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
  for (std::size_t n = 0; n < segments.size() && n < views.size(); ++n) {
    if (!segments[n] || segments[n]->size() < kSegmentChecksumSize) continue;
    views[n] = {segments[n]->data() + kSegmentChecksumSize,
                static_cast<std::uint32_t>(segments[n]->size() - kSegmentChecksumSize)};
  }
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

std::uint8_t BodyByte(const SegmentFile& segment, std::size_t offset) {
  CheckBody(segment, offset, 1);
  return segment[kSegmentChecksumSize + offset];
}

void SetBodyByte(SegmentFile& segment, std::size_t offset, std::uint8_t value) {
  CheckBody(segment, offset, 1);
  segment[kSegmentChecksumSize + offset] = value;
}

std::uint32_t BodyU32(const SegmentFile& segment, std::size_t offset) {
  CheckBody(segment, offset, 4);
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | segment[kSegmentChecksumSize + offset + i];
  return value;
}

void SetBodyU32(SegmentFile& segment, std::size_t offset, std::uint32_t value) {
  CheckBody(segment, offset, 4);
  for (std::size_t i = 0; i < 4; ++i)
    segment[kSegmentChecksumSize + offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Cut(SegmentFile& segment, std::size_t length) {
  if (length > segment.size()) throw std::out_of_range("cut beyond the segment's end");
  segment.resize(length);
}

void FixChecksum(SegmentFile& segment) {
  CheckBody(segment, 0, 0);
  const std::uint64_t sum = archive::ByteSum(segment.data() + kSegmentChecksumSize,
                                             segment.size() - kSegmentChecksumSize);
  for (std::size_t i = 0; i < kSegmentChecksumSize; ++i)
    segment[i] = static_cast<std::uint8_t>(sum >> (8 * i));
}

SegmentFile SegmentWithBody(const std::vector<std::uint8_t>& body) {
  SegmentFile segment(kSegmentChecksumSize + body.size(), 0);
  for (std::size_t i = 0; i < body.size(); ++i) segment[kSegmentChecksumSize + i] = body[i];
  FixChecksum(segment);
  return segment;
}

}  // namespace test_support
