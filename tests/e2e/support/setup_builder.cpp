#include "setup_builder.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <fstream>
#include <span>

#include "archive_checksum.h"
#include "archive_walk.h"
#include "paths.h"
#include "pe_resources.h"

namespace e2e {
namespace {

using archive::kSegmentChecksumSize;

// 2024-05-01 12:00:00 UTC as a FILETIME.
constexpr std::uint64_t kFileTime = 133590384000000000ull;

std::span<const std::uint8_t> BytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

archive::WriterFile File(const char* name, const std::string& contents) {
  archive::WriterFile file;
  file.name = name;
  file.fileTime = kFileTime;
  file.size = contents.size();
  file.bytes = BytesOf(contents);
  return file;
}

void Check(const SegmentFile& segment, std::size_t offset, std::size_t size) {
  if (segment.size() < kSegmentChecksumSize ||
      offset + size > segment.size() - kSegmentChecksumSize)
    throw BuildError("body offset " + std::to_string(offset) + " lies outside a body of " +
                     std::to_string(segment.size() < kSegmentChecksumSize
                                        ? 0
                                        : segment.size() - kSegmentChecksumSize) +
                     " bytes");
}

archive::SegmentViews ViewsOf(const std::vector<SegmentFile>& segments) {
  archive::SegmentViews views{};
  for (std::size_t n = 0; n < segments.size() && n < views.size(); ++n)
    views[n] = {segments[n].data() + kSegmentChecksumSize, BodyLength(segments[n])};
  return views;
}

// Turns the walk's pointers back into positions.
class Locator final : public archive::ArchiveVisitor {
 public:
  explicit Locator(const archive::SegmentViews& views) : views_(views) {}

  void OnTermsLine(std::uint32_t language, const char* line) override {
    if (language == 0 && !sawGermanLine_) {
      sawGermanLine_ = true;
      positions.firstGermanTermsLine = At(line).offset;
    }
  }
  void OnFile(const archive::FileRecord& file, int) override {
    positions.files.push_back(At(file.name));
  }
  void OnObsolete(const char*) override { ++obsoleteNames; }
  void OnMainProgram(const archive::MainProgramEntry& main) override {
    positions.mainProgram = At(main.programFile);
  }

  ItemPositions positions;
  std::uint32_t obsoleteNames = 0;

 private:
  BodyPosition At(const char* pointer) const {
    const auto* at = reinterpret_cast<const std::uint8_t*>(pointer);
    for (int n = 0; n < archive::kMaxSegments; ++n) {
      const archive::SegmentView& view = views_[n];
      if (view.present() && at >= view.body && at < view.body + view.length)
        return {n + 1, static_cast<std::uint32_t>(at - view.body)};
    }
    throw BuildError("a walked item lies outside every segment");
  }

  const archive::SegmentViews& views_;
  bool sawGermanLine_ = false;
};

void WriteFile(const std::string& path, const SegmentFile& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw BuildError("cannot write " + path);
}

}  // namespace

archive::ArchiveDescription SmallArchive(archive::SetupKind kind) {
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
  d.title = update ? kUpdateTitle : kFullTitle;
  d.installDirSuffix = kInstallDirSuffix;
  d.startMenuGroup = kStartMenuGroup;
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

std::uint32_t BodyLength(const SegmentFile& segment) {
  if (segment.size() < kSegmentChecksumSize) throw BuildError("a segment without its checksum");
  return static_cast<std::uint32_t>(segment.size() - kSegmentChecksumSize);
}

std::uint64_t StoredChecksum(const SegmentFile& segment) {
  if (segment.size() < kSegmentChecksumSize) throw BuildError("a segment without its checksum");
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | segment[static_cast<std::size_t>(i)];
  return value;
}

void SetStoredChecksum(SegmentFile& segment, std::uint64_t value) {
  if (segment.size() < kSegmentChecksumSize) throw BuildError("a segment without its checksum");
  for (std::size_t i = 0; i < kSegmentChecksumSize; ++i)
    segment[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint64_t BodySum(const SegmentFile& segment) {
  return archive::ByteSum(segment.data() + kSegmentChecksumSize, BodyLength(segment));
}

void RecomputeChecksum(SegmentFile& segment) {
  SetStoredChecksum(segment, BodySum(segment));
}

std::uint8_t BodyByte(const SegmentFile& segment, std::size_t offset) {
  Check(segment, offset, 1);
  return segment[kSegmentChecksumSize + offset];
}

void SetBodyByte(SegmentFile& segment, std::size_t offset, std::uint8_t value) {
  Check(segment, offset, 1);
  segment[kSegmentChecksumSize + offset] = value;
}

std::uint32_t BodyU32(const SegmentFile& segment, std::size_t offset) {
  Check(segment, offset, 4);
  const std::uint8_t* at = segment.data() + kSegmentChecksumSize + offset;
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

void SetBodyU32(SegmentFile& segment, std::size_t offset, std::uint32_t value) {
  Check(segment, offset, 4);
  for (std::size_t i = 0; i < 4; ++i)
    segment[kSegmentChecksumSize + offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

SegmentFile SegmentWithBody(const std::vector<std::uint8_t>& body) {
  SegmentFile segment(kSegmentChecksumSize + body.size(), 0);
  if (!body.empty()) std::memcpy(segment.data() + kSegmentChecksumSize, body.data(), body.size());
  RecomputeChecksum(segment);
  return segment;
}

std::vector<std::uint8_t> Body(const SegmentFile& segment) {
  BodyLength(segment);
  return std::vector<std::uint8_t>(segment.begin() + kSegmentChecksumSize, segment.end());
}

ItemPositions LocateItems(const std::vector<SegmentFile>& segments) {
  const archive::SegmentViews views = ViewsOf(segments);
  Locator locator(views);
  const archive::WalkResult walk = archive::WalkArchive(views, locator);
  if (!walk.ok) throw BuildError("the archive does not hold together: " + walk.problem);
  ItemPositions& p = locator.positions;
  using archive::kText256Size;
  const SegmentFile& first = segments.at(0);
  p.termsCount[0] = archive::SetupHeader::kSize;
  p.termsCount[1] = p.termsCount[0] + 4 + BodyU32(first, p.termsCount[0]) * kText256Size;
  p.directoryCount = p.termsCount[1] + 4 + BodyU32(first, p.termsCount[1]) * kText256Size;
  p.readmes = p.directoryCount + 4 + BodyU32(first, p.directoryCount) * kText256Size;
  p.fileCount = p.readmes + archive::kLanguageCount * archive::ReadmeEntry::kSize;
  // Items 6 to 8 share one segment; the obsolete list ends where the main program begins.
  if (BodyU32(first, archive::SetupHeader::kKindOffset) ==
      static_cast<std::uint32_t>(archive::SetupKind::Update))
    p.obsoleteCount = BodyPosition{p.mainProgram.segment,
                                   p.mainProgram.offset - 4 - locator.obsoleteNames * kText256Size};
  p.shortcutCount = {p.mainProgram.segment,
                     p.mainProgram.offset + archive::MainProgramEntry::kSize};
  p.end = {walk.endSegment, walk.endOffset};
  return locator.positions;
}

std::string SetupStubPath() {
  return driver::WinePath(TDM_SETUP_STUB);
}

std::string MakeSetupExe(const SegmentSet& segmentFiles, const std::string& folder,
                         const std::string& exeName) {
  std::vector<peres::AddedResource> resources;
  for (std::size_t n = 0; n < segmentFiles.size(); ++n) {
    if (!segmentFiles[n]) continue;
    const std::string name = "ID_SETUPFILE" + std::to_string(n + 1);
    const std::string path = folder + "\\" + name + ".bin";
    WriteFile(path, *segmentFiles[n]);
    resources.push_back({"BIN", name, path});
  }
  const std::string exe = folder + "\\" + exeName;
  std::string error;
  if (!peres::WriteWithResources(SetupStubPath(), resources, exe, error))
    throw BuildError("cannot build " + exe + ": " + error);
  return exe;
}

}  // namespace e2e
