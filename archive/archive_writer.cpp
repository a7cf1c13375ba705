#include "archive_writer.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

#include "archive_checksum.h"

namespace archive {
namespace {

constexpr std::uint64_t kU32Max = std::numeric_limits<std::uint32_t>::max();
// A segment resource's size is a u32 and includes the 8 checksum bytes.
constexpr std::uint64_t kMaxBodyLength = kU32Max - kSegmentChecksumSize;
// Large enough that a multi-megabyte payload costs few system calls.
constexpr std::size_t kBufferSize = std::size_t{4} << 20;

bool TextProblem(const std::string& what, const std::string& text, std::string& error) {
  if (text.size() > kText256MaxLength) {
    error = what + " is " + std::to_string(text.size()) + " bytes long; at most " +
            std::to_string(kText256MaxLength) + " fit a text field";
    return true;
  }
  if (text.find('\0') != std::string::npos) {
    error = what + " holds a NUL byte, which would end it early";
    return true;
  }
  return false;
}

bool TextsFit(const ArchiveDescription& d, std::string& error) {
  if (TextProblem("the title", d.title, error) ||
      TextProblem("the installation folder suffix", d.installDirSuffix, error) ||
      TextProblem("the start-menu group", d.startMenuGroup, error))
    return false;
  static const char* const kLanguages[kLanguageCount] = {"German", "English"};
  for (std::uint32_t language = 0; language < kLanguageCount; ++language) {
    const auto& lines = d.termsLines[language];
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (TextProblem(std::string(kLanguages[language]) + " terms line " + std::to_string(i + 1),
                      lines[i], error))
        return false;
    const WriterReadme& readme = d.readmes[language];
    if (TextProblem(std::string("the ") + kLanguages[language] + " readme file", readme.readmeFile,
                    error) ||
        TextProblem(std::string("the ") + kLanguages[language] + " readme link name",
                    readme.readmeLinkName, error))
      return false;
  }
  for (const std::string& name : d.directories)
    if (TextProblem("directory \"" + name + "\"", name, error)) return false;
  for (const WriterFile& file : d.files)
    if (TextProblem("file name \"" + file.name + "\"", file.name, error)) return false;
  for (const std::string& name : d.obsoleteFiles)
    if (TextProblem("obsolete file \"" + name + "\"", name, error)) return false;
  if (TextProblem("the main program", d.programFile, error) ||
      TextProblem("the desktop link name", d.desktopLinkName, error))
    return false;
  for (const WriterShortcut& shortcut : d.shortcuts)
    if (TextProblem("shortcut target \"" + shortcut.targetFile + "\"", shortcut.targetFile, error))
      return false;
  return true;
}

bool CountsFit(const ArchiveDescription& d, std::string& error) {
  const std::size_t counts[] = {d.termsLines[0].size(), d.termsLines[1].size(),
                                d.directories.size(),   d.files.size(),
                                d.obsoleteFiles.size(), d.shortcuts.size()};
  for (std::size_t count : counts)
    if (count > kU32Max) {
      error = "a table has more entries than a u32 count holds";
      return false;
    }
  return true;
}

bool FilesFit(const ArchiveDescription& d, std::string& error) {
  for (const WriterFile& file : d.files) {
    if (file.size > kU32Max) {
      error = "file \"" + file.name + "\" is " + std::to_string(file.size) +
              " bytes long; the size field holds at most 4 GiB - 1";
      return false;
    }
    if (file.sourcePath.empty() && file.bytes.size() != file.size) {
      error = "file \"" + file.name + "\" has " + std::to_string(file.bytes.size()) +
              " bytes in memory but says it has " + std::to_string(file.size);
      return false;
    }
  }
  return true;
}

// For messages: as UTF-8, which string() would not give on Windows.
std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::uint64_t Texts(std::size_t count) {
  return std::uint64_t{count} * kText256Size;
}

}  // namespace

bool PlanArchive(const ArchiveDescription& d, ArchivePlan& plan, std::string& error) {
  plan = ArchivePlan{};
  if (d.kind != SetupKind::Full && d.kind != SetupKind::Update) {
    error = "the kind must be Full or Update";
    return false;
  }
  if (d.kind == SetupKind::Full && !d.obsoleteFiles.empty()) {
    error = "obsolete files belong to an update; a full archive has no list for them";
    return false;
  }
  if (!TextsFit(d, error) || !CountsFit(d, error) || !FilesFit(d, error)) return false;

  int segment = 1;
  plan.bodyLength[0] = SetupHeader::kSize + 4 + Texts(d.termsLines[0].size()) + 4 +
                       Texts(d.termsLines[1].size()) + 4 + Texts(d.directories.size()) +
                       kLanguageCount * ReadmeEntry::kSize + 4;
  std::uint64_t segmentTotal = 0;
  for (const WriterFile& file : d.files) {
    if (segment > kMaxSegments) {
      error = "the file data needs more than " + std::to_string(kMaxSegments) +
              " segments: segment " + std::to_string(kMaxSegments) + " would hold more than " +
              std::to_string(SEGMENT_DATA_LIMIT) + " bytes before \"" + file.name + "\"";
      return false;
    }
    plan.fileSegment.push_back(segment);
    plan.bodyLength[segment - 1] += FileRecord::kFixedSize + file.size;
    plan.dataBytes += file.size;
    segmentTotal += file.size;
    // Same rule as the reader: strictly above the limit ends the segment.
    if (segmentTotal > SEGMENT_DATA_LIMIT) {
      ++segment;
      segmentTotal = 0;
    }
  }
  if (segment > kMaxSegments) {
    error = "the file data needs more than " + std::to_string(kMaxSegments) +
            " segments: the last file takes segment " + std::to_string(kMaxSegments) + " above " +
            std::to_string(SEGMENT_DATA_LIMIT) +
            " bytes, so the items after it would need a fourth";
    return false;
  }
  plan.tailSegment = segment;
  std::uint64_t& tail = plan.bodyLength[segment - 1];
  if (d.kind == SetupKind::Update) tail += 4 + Texts(d.obsoleteFiles.size());
  tail += MainProgramEntry::kSize + 4 + std::uint64_t{d.shortcuts.size()} * ShortcutRecord::kSize;
  plan.segmentCount = d.kind == SetupKind::Full ? kMaxSegments : segment;
  for (int n = 0; n < kMaxSegments; ++n)
    if (plan.bodyLength[n] > kMaxBodyLength) {
      error = "segment " + std::to_string(n + 1) + " would be " +
              std::to_string(plan.bodyLength[n]) + " bytes long; a segment holds at most " +
              std::to_string(kMaxBodyLength);
      return false;
    }
  return true;
}

bool MemorySink::Write(const std::uint8_t* data, std::size_t length) {
  bytes_.insert(bytes_.end(), data, data + length);
  return true;
}

bool MemorySink::Finish(std::uint64_t checksum) {
  if (bytes_.size() < kSegmentChecksumSize) return false;
  for (std::uint32_t i = 0; i < kSegmentChecksumSize; ++i)
    bytes_[i] = static_cast<std::uint8_t>(checksum >> (8 * i));
  return true;
}

namespace {

// One segment being written: buffers the body, sums every byte on its way out.
class BodyStream {
 public:
  BodyStream(SegmentSink& sink, std::vector<std::uint8_t>& buffer) : sink_(sink), buffer_(buffer) {
    const std::uint8_t placeholder[kSegmentChecksumSize] = {};
    ok_ = sink_.Write(placeholder, sizeof placeholder);
  }

  void Put(const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length != 0 && ok_) {
      if (used_ == buffer_.size()) Flush();
      const std::size_t take = std::min(length, buffer_.size() - used_);
      std::memcpy(buffer_.data() + used_, bytes, take);
      used_ += take;
      bytes += take;
      length -= take;
    }
  }
  void PutU32(std::uint32_t value) {
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    Put(bytes, sizeof bytes);
  }
  void PutU64(std::uint64_t value) {
    std::uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    Put(bytes, sizeof bytes);
  }
  // Zero-padded to the whole field; the plan has made sure the text fits.
  void PutText(const std::string& text) {
    std::uint8_t field[kText256Size] = {};
    std::memcpy(field, text.data(), std::min<std::size_t>(text.size(), kText256MaxLength));
    Put(field, sizeof field);
  }

  // Reads the source straight into the buffer, so each byte is copied once.
  bool PutFileData(std::istream& in, std::uint64_t size,
                   const std::function<void(std::size_t)>& read) {
    while (size != 0 && ok_) {
      if (used_ == buffer_.size()) Flush();
      const std::size_t take =
          static_cast<std::size_t>(std::min<std::uint64_t>(size, buffer_.size() - used_));
      in.read(reinterpret_cast<char*>(buffer_.data() + used_), static_cast<std::streamsize>(take));
      if (static_cast<std::size_t>(in.gcount()) != take) return false;
      used_ += take;
      size -= take;
      read(take);
    }
    return true;
  }

  bool Finish() {
    Flush();
    return ok_ && sink_.Finish(sum_);
  }

  bool ok() const { return ok_; }
  std::uint64_t sum() const { return sum_; }
  std::uint64_t written() const { return written_ + used_; }

 private:
  void Flush() {
    if (used_ == 0 || !ok_) return;
    sum_ += ByteSum(buffer_.data(), used_);
    ok_ = sink_.Write(buffer_.data(), used_);
    written_ += used_;
    used_ = 0;
  }

  SegmentSink& sink_;
  std::vector<std::uint8_t>& buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t sum_ = 0;
  bool ok_ = false;
};

class ArchiveWriter {
 public:
  ArchiveWriter(const ArchiveDescription& d, const ArchivePlan& plan,
                const std::array<SegmentSink*, kMaxSegments>& sinks, const WriteProgress& progress)
      : d_(d), plan_(plan), sinks_(sinks), progress_(progress), buffer_(kBufferSize) {}

  WriteResult Run() {
    for (int n = 0; n < plan_.segmentCount; ++n)
      if (sinks_[n] == nullptr) {
        Fail("no sink for segment " + std::to_string(n + 1));
        return result_;
      }
    if (!Begin(1)) return result_;
    Header();
    for (std::size_t i = 0; i < d_.files.size(); ++i) {
      if (plan_.fileSegment[i] != segment_ && !(End() && Begin(plan_.fileSegment[i])))
        return result_;
      if (!File(d_.files[i])) return result_;
    }
    if (plan_.tailSegment != segment_ && !(End() && Begin(plan_.tailSegment))) return result_;
    Tail();
    if (!End()) return result_;
    // A Full archive keeps its later segments even when no record reaches them.
    while (segment_ < plan_.segmentCount)
      if (!(Begin(segment_ + 1) && End())) return result_;
    result_.ok = true;
    return result_;
  }

 private:
  bool Fail(std::string error) {
    if (result_.error.empty()) result_.error = std::move(error);
    result_.ok = false;
    return false;
  }

  bool Begin(int segment) {
    segment_ = segment;
    stream_ = std::make_unique<BodyStream>(*sinks_[segment - 1], buffer_);
    if (!stream_->ok()) return Fail(SinkProblem());
    return true;
  }

  bool End() {
    const std::uint64_t expected = plan_.bodyLength[segment_ - 1];
    if (!stream_->Finish()) return Fail(SinkProblem());
    if (stream_->written() != expected)
      return Fail("segment " + std::to_string(segment_) + " came out " +
                  std::to_string(stream_->written()) + " bytes long instead of " +
                  std::to_string(expected));
    result_.checksums[segment_ - 1] = stream_->sum();
    return true;
  }

  std::string SinkProblem() const {
    return "writing segment " + std::to_string(segment_) +
           " failed: " + sinks_[segment_ - 1]->Problem();
  }

  void Header() {
    BodyStream& s = *stream_;
    s.PutU32(static_cast<std::uint32_t>(d_.kind));
    s.PutText(d_.title);
    s.PutText(d_.installDirSuffix);
    s.PutText(d_.startMenuGroup);
    s.PutU32(d_.packageVersionMS);
    s.PutU32(d_.packageVersionLS);
    s.PutU32(d_.requiredVersionMS);
    s.PutU32(d_.requiredVersionLS);
    for (const auto& lines : d_.termsLines) {
      s.PutU32(static_cast<std::uint32_t>(lines.size()));
      for (const std::string& line : lines) s.PutText(line);
    }
    s.PutU32(static_cast<std::uint32_t>(d_.directories.size()));
    for (const std::string& name : d_.directories) s.PutText(name);
    for (const WriterReadme& readme : d_.readmes) {
      s.PutText(readme.readmeFile);
      s.PutText(readme.readmeLinkName);
    }
    s.PutU32(static_cast<std::uint32_t>(d_.files.size()));
  }

  bool File(const WriterFile& file) {
    BodyStream& s = *stream_;
    s.PutText(file.name);
    s.PutU64(file.fileTime);
    s.PutU32(static_cast<std::uint32_t>(file.size));
    if (file.sourcePath.empty()) {
      s.Put(file.bytes.data(), file.bytes.size());
      Advance(file.bytes.size());
    } else {
      std::ifstream in(file.sourcePath, std::ios::binary);
      if (!in) return Fail("cannot open " + PathText(file.sourcePath) + " for reading");
      if (!s.PutFileData(in, file.size, [this](std::size_t n) { Advance(n); }))
        return Fail(PathText(file.sourcePath) + " is shorter than the " +
                    std::to_string(file.size) + " bytes it had when the build began");
      if (in.peek() != std::char_traits<char>::eof())
        return Fail(PathText(file.sourcePath) + " grew while the archive was being built");
    }
    if (!s.ok()) return Fail(SinkProblem());
    return true;
  }

  void Tail() {
    BodyStream& s = *stream_;
    if (d_.kind == SetupKind::Update) {
      s.PutU32(static_cast<std::uint32_t>(d_.obsoleteFiles.size()));
      for (const std::string& name : d_.obsoleteFiles) s.PutText(name);
    }
    s.PutText(d_.programFile);
    s.PutText(d_.desktopLinkName);
    s.PutU32(static_cast<std::uint32_t>(d_.shortcuts.size()));
    for (const WriterShortcut& shortcut : d_.shortcuts) {
      s.PutText(shortcut.targetFile);
      s.PutU32(shortcut.linkNameId);
    }
  }

  void Advance(std::uint64_t bytes) {
    dataDone_ += bytes;
    if (progress_) progress_(dataDone_, plan_.dataBytes);
  }

  const ArchiveDescription& d_;
  const ArchivePlan& plan_;
  const std::array<SegmentSink*, kMaxSegments>& sinks_;
  const WriteProgress& progress_;
  std::vector<std::uint8_t> buffer_;
  std::unique_ptr<BodyStream> stream_;
  int segment_ = 0;
  std::uint64_t dataDone_ = 0;
  WriteResult result_;
};

}  // namespace

WriteResult WriteArchive(const ArchiveDescription& description, const ArchivePlan& plan,
                         const std::array<SegmentSink*, kMaxSegments>& sinks,
                         const WriteProgress& progress) {
  if (plan.fileSegment.size() != description.files.size() || plan.segmentCount < 1 ||
      plan.segmentCount > kMaxSegments) {
    WriteResult result;
    result.error = "the plan does not belong to this description";
    return result;
  }
  return ArchiveWriter(description, plan, sinks, progress).Run();
}

}  // namespace archive
