#include "archive_walk.h"

namespace archive {
namespace {

class Walker {
 public:
  Walker(const SegmentViews& segments, ArchiveVisitor& visitor)
      : segments_(segments), cursor_(&segments), visitor_(visitor) {}

  WalkResult Run() {
    WalkResult result;
    result.ok = Walk();
    result.problem = problem_;
    result.endSegment = cursor_.segment();
    result.endOffset = cursor_.offset();
    return result;
  }

 private:
  bool Fail(std::string what) {
    problem_ = std::move(what);
    return false;
  }
  bool Count(std::uint32_t& n, const char* what) {
    return cursor_.ReadU32(n) || Fail(std::string("the ") + what + " count runs past the body");
  }
  bool Text(const char*& text, const char* what) {
    if (cursor_.ReadText(text)) return true;
    return Fail(
        std::string("a ") + what +
        (cursor_.remaining() < kText256Size ? " runs past the body" : " has no terminating NUL"));
  }

  bool Walk() {
    SetupHeader header;
    if (!ReadHeader(segments_[0], header)) return Fail("segment 1 does not hold a whole header");
    if (!cursor_.Skip(SetupHeader::kSize)) return Fail("segment 1 does not hold a whole header");
    visitor_.OnHeader(header);
    for (std::uint32_t language = 0; language < kLanguageCount; ++language) {
      std::uint32_t lines = 0;
      if (!Count(lines, "terms")) return false;
      visitor_.OnTermsBlock(language, lines);
      for (std::uint32_t i = 0; i < lines; ++i) {
        const char* line = nullptr;
        if (!Text(line, "terms line")) return false;
        visitor_.OnTermsLine(language, line);
      }
    }
    std::uint32_t directories = 0;
    if (!Count(directories, "directory")) return false;
    for (std::uint32_t i = 0; i < directories; ++i) {
      const char* name = nullptr;
      if (!Text(name, "directory name")) return false;
      visitor_.OnDirectory(name);
    }
    for (std::uint32_t language = 0; language < kLanguageCount; ++language) {
      ReadmeEntry readme;
      if (!Text(readme.readmeFile, "readme file name") ||
          !Text(readme.readmeLinkName, "readme link name"))
        return false;
      visitor_.OnReadme(language, readme);
    }
    if (!Files()) return false;
    if (header.kind == static_cast<std::uint32_t>(SetupKind::Update)) {
      std::uint32_t obsolete = 0;
      if (!Count(obsolete, "obsolete file")) return false;
      for (std::uint32_t i = 0; i < obsolete; ++i) {
        const char* name = nullptr;
        if (!Text(name, "obsolete file name")) return false;
        visitor_.OnObsolete(name);
      }
    }
    MainProgramEntry main;
    if (!Text(main.programFile, "main program name") ||
        !Text(main.desktopLinkName, "desktop link name"))
      return false;
    visitor_.OnMainProgram(main);
    std::uint32_t shortcuts = 0;
    if (!Count(shortcuts, "shortcut")) return false;
    for (std::uint32_t i = 0; i < shortcuts; ++i) {
      ShortcutRecord shortcut;
      if (!Text(shortcut.targetFile, "shortcut target") || !cursor_.ReadU32(shortcut.linkNameId))
        return Fail(problem_.empty() ? "a shortcut record runs past the body" : problem_);
      visitor_.OnShortcut(shortcut);
    }
    return AtTheEnd();
  }

  bool Files() {
    std::uint32_t files = 0;
    if (!Count(files, "file")) return false;
    visitor_.OnFileCount(files);
    std::uint64_t segmentTotal = 0;
    for (std::uint32_t i = 0; i < files; ++i) {
      FileRecord file;
      if (!Text(file.name, "file name")) return false;
      if (!cursor_.ReadU64(file.fileTime) || !cursor_.ReadU32(file.size))
        return Fail("a file record runs past the body");
      const int segment = cursor_.segment();
      if (!cursor_.ReadData(file.size, file.data))
        return Fail(std::string("the data of ") + file.name + " runs past the body");
      visitor_.OnFile(file, segment);
      if (AfterFileRecord(cursor_, segmentTotal, file.size) == SegmentStep::Corrupt)
        return Fail(std::string("after ") + file.name + " the stream switches to segment " +
                    std::to_string(segment + 1) + ", which is absent");
    }
    return true;
  }

  bool AtTheEnd() {
    if (cursor_.remaining() != 0)
      return Fail(std::to_string(cursor_.remaining()) + " bytes are left over after the stream");
    for (int later = cursor_.segment(); later < kMaxSegments; ++later)
      if (segments_[later].length != 0)
        return Fail("segment " + std::to_string(later + 1) +
                    " holds bytes the stream never reaches");
    return true;
  }

  const SegmentViews& segments_;
  ArchiveCursor cursor_;
  ArchiveVisitor& visitor_;
  std::string problem_;
};

}  // namespace

bool ReadHeader(const SegmentView& segment1, SetupHeader& header) {
  SegmentViews one{segment1, {}, {}};
  ArchiveCursor cursor(&one);
  if (!cursor.ReadU32(header.kind) || !cursor.ReadText(header.title) ||
      !cursor.ReadText(header.installDirSuffix) || !cursor.ReadText(header.startMenuGroup) ||
      !cursor.ReadU32(header.packageVersionMS) || !cursor.ReadU32(header.packageVersionLS) ||
      !cursor.ReadU32(header.requiredVersionMS) || !cursor.ReadU32(header.requiredVersionLS))
    return false;
  return true;
}

WalkResult WalkArchive(const SegmentViews& segments, ArchiveVisitor& visitor) {
  return Walker(segments, visitor).Run();
}

}  // namespace archive
