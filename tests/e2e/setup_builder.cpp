#include "setup_builder.h"

#include <windows.h>

#include <array>
#include <fstream>

#include "archive_checksum.h"
#include "driver.h"
#include "pe_resources.h"

namespace e2e {
namespace {

using archive::kSegmentChecksumSize;

// 2024-05-01 12:00:00 UTC as a FILETIME.
constexpr std::uint64_t kFileTime = 133590384000000000ull;

archive::WriterFile File(const char* name, const std::string& contents) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(contents.data());
  return {name, kFileTime, contents.size(), {bytes, contents.size()}, {}};
}

void WriteFile(const std::string& path, const SegmentFile& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw BuildError("cannot write " + path);
}

}  // namespace

archive::ArchiveDescription SmallArchive(archive::SetupKind kind, std::uint32_t requiredLS) {
  // Contents in static storage: the description only borrows them.
  static const std::string kClient = "MZ Tidemoor client stand-in";
  static const std::string kUninstall = "MZ uninstall stand-in";
  static const std::string kOptions = "MZ options stand-in";
  static const std::string kMap = "harbour map: 12 x 7 tiles\r\n";
  static const std::string kEmpty;
  static const std::string kReadmeGerman =
      "Liesmich: Gr\xFC\xDF"
      "e aus Tidemoor\r\n";
  static const std::string kReadmeEnglish = "Readme: greetings from Tidemoor\r\n";

  const bool update = kind == archive::SetupKind::Update;
  archive::ArchiveDescription d;
  d.kind = kind;
  d.title = update ? "Tidemoor Update 0.807.4 Testausgabe" : kFullTitle;
  d.installDirSuffix = "\\Tidemoor";
  d.startMenuGroup = "Tidemoor";
  d.packageVersionMS = 807;
  d.packageVersionLS = update ? 4 : 3;
  d.requiredVersionMS = update ? 807 : 0;
  d.requiredVersionLS = update ? requiredLS : 0;
  d.termsLines[0] = {"Nutzungsbedingungen f\xFCr Tidemoor", "Bitte lesen Sie sie sorgf\xE4ltig.",
                     "",
                     "Gr\xFC\xDF"
                     "e aus \xD6sterreich und der Schweiz."};
  d.termsLines[1] = {"Terms of use for Tidemoor", "Please read them carefully."};
  d.directories = {"data", "data/maps", "docs"};
  d.readmes[0] = {"docs/liesmich.txt", "Liesmich.lnk"};
  d.readmes[1] = {"docs/readme.txt", "Readme.lnk"};
  d.files = {File("TDMClient.exe", kClient),         File("uninstall.exe", kUninstall),
             File("TDMOptions.exe", kOptions),       File("data/maps/harbour.map", kMap),
             File("data/empty.dat", kEmpty),         File("docs/liesmich.txt", kReadmeGerman),
             File("docs/readme.txt", kReadmeEnglish)};
  d.programFile = "TDMClient.exe";
  d.desktopLinkName = "Tidemoor.lnk";
  d.shortcuts = {{"uninstall.exe", 25}, {"TDMClient.exe", 23}, {"TDMOptions.exe", 24}};
  return d;
}

std::vector<SegmentFile> WriteSegments(const archive::ArchiveDescription& description) {
  archive::ArchivePlan plan;
  std::string error;
  if (!archive::PlanArchive(description, plan, error))
    throw BuildError("the archive cannot be planned: " + error);
  std::array<archive::MemorySink, archive::kMaxSegments> sinks;
  std::array<archive::SegmentSink*, archive::kMaxSegments> pointers{};
  for (int n = 0; n < archive::kMaxSegments; ++n) pointers[n] = &sinks[n];
  const archive::WriteResult result = archive::WriteArchive(description, plan, pointers);
  if (!result.ok) throw BuildError("the archive cannot be written: " + result.error);
  std::vector<SegmentFile> segments;
  for (int n = 0; n < plan.segmentCount; ++n) segments.push_back(sinks[n].bytes());
  return segments;
}

SegmentSet AllPresent(const std::vector<SegmentFile>& segments) {
  return SegmentSet(segments.begin(), segments.end());
}

std::uint64_t StoredChecksum(const SegmentFile& segment) {
  if (segment.size() < kSegmentChecksumSize) throw BuildError("a segment without its checksum");
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | segment[static_cast<std::size_t>(i)];
  return value;
}

std::uint64_t BodySum(const SegmentFile& segment) {
  return archive::ByteSum(segment.data() + kSegmentChecksumSize,
                          segment.size() - kSegmentChecksumSize);
}

void RecomputeChecksum(SegmentFile& segment) {
  const std::uint64_t sum = BodySum(segment);
  for (std::size_t i = 0; i < kSegmentChecksumSize; ++i)
    segment[i] = static_cast<std::uint8_t>(sum >> (8 * i));
}

std::uint8_t& BodyByte(SegmentFile& segment, std::size_t offset) {
  return segment.at(kSegmentChecksumSize + offset);
}

std::string MakeSetupExe(const SegmentSet& segmentFiles, const std::string& folder) {
  std::vector<peres::AddedResource> resources;
  for (std::size_t n = 0; n < segmentFiles.size(); ++n) {
    if (!segmentFiles[n]) continue;
    const std::string name = "ID_SETUPFILE" + std::to_string(n + 1);
    const std::string path = folder + "\\" + name + ".bin";
    WriteFile(path, *segmentFiles[n]);
    resources.push_back({"BIN", name, path});
  }
  const std::string exe = folder + "\\Setup.exe";
  std::string error;
  if (!peres::WriteWithResources(driver::WinePath(TDM_SETUP_STUB), resources, exe, error))
    throw BuildError("cannot build " + exe + ": " + error);
  return exe;
}

}  // namespace e2e
