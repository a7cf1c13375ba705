#include "archive_check.h"

#include <cstring>

namespace archive {
namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

class Checker final : public ArchiveVisitor {
 public:
  void OnDirectory(const char* name) override { Relative("directory", name, true); }
  void OnReadme(std::uint32_t, const ReadmeEntry& readme) override {
    Relative("readme file", readme.readmeFile, false);
    Link("readme link", readme.readmeLinkName);
  }
  void OnFile(const FileRecord& file, int) override { Relative("file", file.name, false); }
  void OnObsolete(const char* name) override { Relative("obsolete file", name, false); }
  void OnMainProgram(const MainProgramEntry& main) override {
    Relative("main program", main.programFile, false);
    Link("desktop link", main.desktopLinkName);
  }
  void OnShortcut(const ShortcutRecord& shortcut) override {
    Relative("shortcut target", shortcut.targetFile, false);
  }

  std::string problem;

 private:
  void Relative(const char* what, const char* name, bool emptyAllowed) {
    if (emptyAllowed && name[0] == '\0') return;
    if (const char* why = RelativeNameProblem(name)) Note(what, name, why);
  }
  void Link(const char* what, const char* name) {
    if (const char* why = LinkNameProblem(name)) Note(what, name, why);
  }
  void Note(const char* what, const char* name, const char* why) {
    if (problem.empty()) problem = std::string(what) + " name \"" + name + "\" " + why;
  }
};

}  // namespace

const char* RelativeNameProblem(const char* name) {
  if (name[0] == '\0') return "is empty";
  if (IsSeparator(name[0])) return "starts with a separator";
  if (std::strchr(name, ':') != nullptr) return "holds a drive letter or colon";
  for (const char* part = name; *part != '\0';) {
    std::size_t length = 0;
    while (part[length] != '\0' && !IsSeparator(part[length])) ++length;
    if (length == 2 && part[0] == '.' && part[1] == '.') return "holds a \"..\" component";
    part += length;
    if (*part != '\0') ++part;
  }
  return nullptr;
}

const char* LinkNameProblem(const char* name) {
  if (name[0] == '\0') return "is empty";
  for (const char* c = name; *c != '\0'; ++c)
    if (IsSeparator(*c)) return "holds a separator";
  if (std::strchr(name, ':') != nullptr) return "holds a colon";
  if (std::strcmp(name, "..") == 0 || std::strcmp(name, ".") == 0) return "names a folder";
  return nullptr;
}

WalkResult CheckArchive(const SegmentViews& segments) {
  Checker checker;
  WalkResult result = WalkArchive(segments, checker);
  if (result.ok && !checker.problem.empty()) {
    result.ok = false;
    result.problem = checker.problem;
  }
  return result;
}

}  // namespace archive
