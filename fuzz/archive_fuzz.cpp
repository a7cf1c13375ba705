// Arbitrary bytes as the archive Setup.exe carries: cut into one to three segment
// resources, then put through the loading checks in the order the program runs them
// (resource length, header, required segments, checksum with progress, structural
// check) and a walk that reads every text and every data byte it is handed. Each
// body lives in a heap block of its own exact size, so a read past a body is caught.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "archive_check.h"
#include "archive_checksum.h"
#include "archive_walk.h"
#include "segment_input.h"
#include "setup_archive.h"

namespace {

// A broken promise of the archive code: stop so libFuzzer keeps the input.
void Require(bool condition) {
  if (!condition) std::abort();
}

std::uint64_t ReadU64(const std::uint8_t* at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | at[i];
  return value;
}

// Reads what the installation stages would read: every text up to its NUL and every
// data byte, so a pointer or length past a body shows.
class TouchingVisitor final : public archive::ArchiveVisitor {
 public:
  void OnHeader(const archive::SetupHeader& header) override {
    Touch(header.title);
    Touch(header.installDirSuffix);
    Touch(header.startMenuGroup);
  }
  void OnTermsLine(std::uint32_t, const char* line) override { Touch(line); }
  void OnDirectory(const char* name) override { Touch(name); }
  void OnReadme(std::uint32_t, const archive::ReadmeEntry& readme) override {
    Touch(readme.readmeFile);
    Touch(readme.readmeLinkName);
  }
  void OnFile(const archive::FileRecord& file, int segment) override {
    Require(segment >= 1 && segment <= archive::kMaxSegments);
    Touch(file.name);
    for (std::uint32_t i = 0; i < file.size; ++i) sink_ += file.data[i];
    dataBytes_ += file.size;
  }
  void OnObsolete(const char* name) override { Touch(name); }
  void OnMainProgram(const archive::MainProgramEntry& main) override {
    Touch(main.programFile);
    Touch(main.desktopLinkName);
  }
  void OnShortcut(const archive::ShortcutRecord& shortcut) override { Touch(shortcut.targetFile); }

  std::uint64_t dataBytes() const { return dataBytes_; }

 private:
  void Touch(const char* text) {
    Require(text != nullptr);
    const std::size_t length = std::strlen(text);
    Require(length <= archive::kText256MaxLength);
    sink_ += length;
  }

  std::uint64_t sink_ = 0;
  std::uint64_t dataBytes_ = 0;
};

// The checksum as the preparation window drives it, against a plain byte loop.
std::uint64_t CheckedSum(const archive::SegmentView& segment) {
  std::uint64_t plain = 0;
  for (std::uint32_t i = 0; i < segment.length; ++i) plain += segment.body[i];
  std::uint32_t calls = 0;
  std::uint64_t last = 0;
  const std::uint64_t sum =
      archive::ByteSumWithProgress(segment.body, segment.length, [&](std::uint32_t at) {
        Require(at < segment.length);
        Require(calls == 0 || at > last);
        last = at;
        ++calls;
      });
  Require(sum == plain);
  // One update at every multiple of a tenth of the body (at 0 alone for 1 to 9 bytes).
  const std::uint32_t step = segment.length / 10 != 0 ? segment.length / 10 : segment.length;
  Require(calls == (segment.length == 0 ? 0 : (segment.length + step - 1) / step));
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto resources = fuzzing::SplitSegments(data, size);
  if (resources.empty()) return 0;

  archive::SegmentViews views{};
  std::unique_ptr<std::uint8_t[]> bodies[archive::kMaxSegments];
  std::uint64_t stored = 0;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const auto& resource = resources[i];
    // A resource of size 0 cannot be had; one shorter than its checksum is refused.
    if (resource.size() < archive::kSegmentChecksumSize) return 0;
    const std::size_t length = resource.size() - archive::kSegmentChecksumSize;
    bodies[i].reset(new std::uint8_t[length]);
    if (length != 0)
      std::memcpy(bodies[i].get(), resource.data() + archive::kSegmentChecksumSize, length);
    views[i] = {bodies[i].get(), static_cast<std::uint32_t>(length)};
    stored += ReadU64(resource.data());
  }
  if (views[0].length < archive::SetupHeader::kSize) return 0;
  // The loader takes the kind at its fixed offset; the header's texts are proven
  // only by the structural check.
  const std::uint8_t* kind = views[0].body + archive::SetupHeader::kKindOffset;
  const bool update =
      (std::uint32_t{kind[0]} | std::uint32_t{kind[1]} << 8 | std::uint32_t{kind[2]} << 16 |
       std::uint32_t{kind[3]} << 24) == static_cast<std::uint32_t>(archive::SetupKind::Update);
  archive::SetupHeader header;
  const bool headerReadable = archive::ReadHeader(views[0], header);
  if (!update && resources.size() < archive::kMaxSegments) return 0;

  std::uint64_t computed = 0;
  for (const archive::SegmentView& view : views) computed += CheckedSum(view);
  // Setup.exe stops at a mismatch; the structure check must hold up either way,
  // since anyone who can change the bytes can also fix the sum.
  (void)(computed == stored);

  const archive::WalkResult checked = archive::CheckArchive(views);
  TouchingVisitor visitor;
  const archive::WalkResult walked = archive::WalkArchive(views, visitor);
  Require(!checked.ok || walked.ok);
  Require(headerReadable || !walked.ok);
  Require(checked.ok || !checked.problem.empty());
  if (walked.ok) {
    Require(walked.endSegment >= 1 && walked.endSegment <= archive::kMaxSegments);
    Require(walked.endOffset == views[walked.endSegment - 1].length);
    Require(visitor.dataBytes() <=
            std::uint64_t{views[0].length} + views[1].length + views[2].length);
  }
  return 0;
}
