// One pass over the whole record stream in its fixed order, checking that it holds
// together: every count and size inside its body, every Text256 terminated, every
// segment switch to a present segment, and the stream ending exactly at the end of
// the body it ends in with nothing left in later segments. File data is never copied.
#pragma once

#include <cstdint>
#include <string>

#include "archive_cursor.h"
#include "setup_archive.h"

namespace archive {

// What the walk found, item by item. Every pointer points into the archive.
class ArchiveVisitor {
 public:
  virtual ~ArchiveVisitor() = default;
  virtual void OnHeader(const SetupHeader&) {}
  virtual void OnTermsBlock(std::uint32_t /*language*/, std::uint32_t /*lineCount*/) {}
  virtual void OnTermsLine(std::uint32_t /*language*/, const char* /*line*/) {}
  virtual void OnDirectory(const char* /*name*/) {}
  virtual void OnReadme(std::uint32_t /*language*/, const ReadmeEntry&) {}
  virtual void OnFileCount(std::uint32_t /*count*/) {}
  virtual void OnFile(const FileRecord&, int /*segment*/) {}
  virtual void OnObsolete(const char* /*name*/) {}
  virtual void OnMainProgram(const MainProgramEntry&) {}
  virtual void OnShortcut(const ShortcutRecord&) {}
};

struct WalkResult {
  bool ok = false;
  std::string problem;  // what did not hold together, for the builder's and tests' eyes
  int endSegment = 0;   // where the stream ended
  std::uint32_t endOffset = 0;
};

WalkResult WalkArchive(const SegmentViews& segments, ArchiveVisitor& visitor);

// Reads the header fields from segment 1; false when segment 1 is shorter than it.
bool ReadHeader(const SegmentView& segment1, SetupHeader& header);

}  // namespace archive
