#include "segment_files.h"

#include <fstream>
#include <memory>
#include <system_error>

#include "manifest.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

fs::path PartialPath(const fs::path& folder, int segment) {
  fs::path path = SegmentFilePath(folder, segment);
  path += ".partial";
  return path;
}

class FileSink final : public archive::SegmentSink {
 public:
  explicit FileSink(const fs::path& path) : path_(path), out_(path, std::ios::binary) {}

  bool Write(const std::uint8_t* data, std::size_t length) override {
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
    return static_cast<bool>(out_);
  }
  bool Finish(std::uint64_t checksum) override {
    char bytes[archive::kSegmentChecksumSize];
    for (std::uint32_t i = 0; i < archive::kSegmentChecksumSize; ++i)
      bytes[i] = static_cast<char>(checksum >> (8 * i));
    out_.seekp(0);
    out_.write(bytes, sizeof bytes);
    out_.close();
    return !out_.fail();
  }
  std::string Problem() const override { return PathText(path_) + " could not be written"; }
  bool opened() const { return out_.is_open(); }

 private:
  fs::path path_;
  std::ofstream out_;
};

bool WriteAndCheck(const archive::ArchiveDescription& description, const archive::ArchivePlan& plan,
                   const fs::path& outdir, const archive::WriteProgress& progress,
                   std::string& error) {
  std::error_code code;
  fs::create_directories(outdir, code);
  if (code) {
    error = PathText(outdir) + ": " + code.message();
    return false;
  }
  std::vector<fs::path> partials;
  {
    std::vector<std::unique_ptr<FileSink>> files;
    std::array<archive::SegmentSink*, archive::kMaxSegments> sinks{};
    for (int n = 1; n <= plan.segmentCount; ++n) {
      partials.push_back(PartialPath(outdir, n));
      files.push_back(std::make_unique<FileSink>(partials.back()));
      if (!files.back()->opened()) {
        error = PathText(partials.back()) + ": cannot be created";
        return false;
      }
      sinks[n - 1] = files.back().get();
    }
    const archive::WriteResult result = archive::WriteArchive(description, plan, sinks, progress);
    if (!result.ok) {
      error = result.error;
      return false;
    }
  }
  // Read back what is on disk, as Setup.exe will.
  std::vector<MappedFile> maps;
  ArchiveSegments segments;
  std::string problem;
  if (!MapSegmentFiles(partials, maps, segments, error)) return false;
  if (!CheckSegments(segments, problem)) {
    error = "the written archive does not check out: " + problem;
    return false;
  }
  return true;
}

}  // namespace

fs::path SegmentFilePath(const fs::path& folder, int segment) {
  return folder / ("ID_SETUPFILE" + std::to_string(segment) + ".bin");
}

void RemoveSegmentFiles(const fs::path& folder) {
  std::error_code ignored;
  for (int n = 1; n <= archive::kMaxSegments; ++n) {
    fs::remove(SegmentFilePath(folder, n), ignored);
    fs::remove(PartialPath(folder, n), ignored);
  }
}

bool BuildSegmentFiles(const archive::ArchiveDescription& description,
                       const archive::ArchivePlan& plan, const fs::path& outdir,
                       const archive::WriteProgress& progress, std::string& error) {
  // The old segments go first: renaming over a file is not portable, and a segment
  // an earlier, larger build left would otherwise be taken for part of this one.
  RemoveSegmentFiles(outdir);
  bool ok = WriteAndCheck(description, plan, outdir, progress, error);
  for (int n = 1; ok && n <= plan.segmentCount; ++n) {
    std::error_code code;
    fs::rename(PartialPath(outdir, n), SegmentFilePath(outdir, n), code);
    if (code) {
      error = PathText(SegmentFilePath(outdir, n)) + ": " + code.message();
      ok = false;
    }
  }
  if (!ok) RemoveSegmentFiles(outdir);
  return ok;
}

bool MapSegmentFiles(const std::vector<fs::path>& files, std::vector<MappedFile>& maps,
                     ArchiveSegments& segments, std::string& error) {
  if (files.empty() || files.size() > archive::kMaxSegments) {
    error = "give the segment files 1 to 3 in order";
    return false;
  }
  maps.clear();
  maps.resize(files.size());
  segments = ArchiveSegments{};
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!maps[i].Open(files[i], error)) return false;
    segments.segments[i] = maps[i].bytes();
  }
  segments.count = static_cast<int>(files.size());
  return true;
}

}  // namespace mksetup
