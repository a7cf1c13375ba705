#include "archive_listing.h"

#include "archive_checksum.h"
#include "archive_walk.h"
#include "file_time.h"
#include "text_encoding.h"

namespace mksetup {
namespace {

const char* const kLanguages[] = {"German", "English"};

std::string Quoted(const char* text) {
  // Appended piecewise: GCC 12 warns falsely about operator+ with a literal here.
  std::string quoted(1, '"');
  quoted += Windows1252ToUtf8(text);
  quoted += '"';
  return quoted;
}

class Lister final : public archive::ArchiveVisitor {
 public:
  explicit Lister(std::ostream& out) : out_(out) {}

  void OnHeader(const archive::SetupHeader& h) override {
    const char* kind = h.kind == 1 ? "Full" : h.kind == 2 ? "Update" : "unknown";
    out_ << "kind: " << h.kind << " (" << kind << ")\n"
         << "title: " << Quoted(h.title) << "\n"
         << "install folder suffix: " << Quoted(h.installDirSuffix) << "\n"
         << "start-menu group: " << Quoted(h.startMenuGroup) << "\n"
         << "package version: " << h.packageVersionMS << "." << h.packageVersionLS << "\n"
         << "required version: " << h.requiredVersionMS << "." << h.requiredVersionLS << "\n";
  }
  void OnTermsBlock(std::uint32_t language, std::uint32_t count) override {
    out_ << kLanguages[language] << " terms: " << count << " lines\n";
  }
  void OnDirectory(const char* name) override {
    if (!sawDirectory_) out_ << "directories:\n";
    sawDirectory_ = true;
    out_ << "  " << Quoted(name) << "\n";
  }
  void OnReadme(std::uint32_t language, const archive::ReadmeEntry& r) override {
    out_ << kLanguages[language] << " readme: " << Quoted(r.readmeFile) << ", link "
         << Quoted(r.readmeLinkName) << "\n";
  }
  void OnFileCount(std::uint32_t count) override { out_ << "files: " << count << "\n"; }
  void OnFile(const archive::FileRecord& f, int segment) override {
    out_ << "  " << Quoted(f.name) << "  " << f.size << " bytes  " << FormatFileTime(f.fileTime)
         << "  segment " << segment << "\n";
  }
  void OnObsolete(const char* name) override {
    if (!sawObsolete_) out_ << "obsolete files:\n";
    sawObsolete_ = true;
    out_ << "  " << Quoted(name) << "\n";
  }
  void OnMainProgram(const archive::MainProgramEntry& m) override {
    out_ << "main program: " << Quoted(m.programFile) << ", desktop link "
         << Quoted(m.desktopLinkName) << "\n";
  }
  void OnShortcut(const archive::ShortcutRecord& s) override {
    out_ << "shortcut: " << Quoted(s.targetFile) << ", link name id " << s.linkNameId << "\n";
  }

 private:
  std::ostream& out_;
  bool sawDirectory_ = false;
  bool sawObsolete_ = false;
};

}  // namespace

bool ListArchive(const ArchiveSegments& archive, std::ostream& out) {
  Lister lister(out);
  const archive::WalkResult walk = archive::WalkArchive(archive.Views(), lister);
  const archive::SegmentViews views = archive.Views();
  for (int n = 1; n <= archive.count; ++n) {
    const archive::SegmentView& view = views[n - 1];
    out << "segment " << n << ": body " << view.length << " bytes, stored checksum "
        << archive.StoredChecksum(n) << ", body sum "
        << (view.present() ? archive::ByteSum(view.body, view.length) : 0) << "\n";
  }
  if (!walk.ok) out << "the structure breaks off: " << walk.problem << "\n";
  return walk.ok;
}

}  // namespace mksetup
