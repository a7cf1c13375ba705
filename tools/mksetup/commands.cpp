#include "commands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "archive_listing.h"
#include "manifest.h"
#include "progress.h"
#include "release_description.h"
#include "segment_files.h"
#include "setup_exe.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: mksetup archive <manifest> <outdir> [--payload DIR]\n"
    "       mksetup setup <manifest> --stub <SetupStub.exe> -o <Setup.exe> [--payload DIR]\n"
    "       mksetup list <ID_SETUPFILE1.bin [2 [3]] | Setup.exe>\n"
    "       mksetup verify <ID_SETUPFILE1.bin [2 [3]] | Setup.exe>\n";

// Positional arguments and the options that take a value.
struct Arguments {
  std::vector<std::string> positional;
  std::string payload, stub, output;
};

bool Split(const std::vector<std::string>& args, Arguments& parsed, std::ostream& err) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string* option = nullptr;
    if (args[i] == "--payload") option = &parsed.payload;
    if (args[i] == "--stub") option = &parsed.stub;
    if (args[i] == "-o") option = &parsed.output;
    if (option == nullptr) {
      if (args[i].size() > 1 && args[i][0] == '-') {
        err << "mksetup: unknown option " << args[i] << "\n" << kUsage;
        return false;
      }
      parsed.positional.push_back(args[i]);
      continue;
    }
    if (i + 1 == args.size() || !option->empty()) {
      err << "mksetup: " << args[i] << " needs one value\n" << kUsage;
      return false;
    }
    *option = args[++i];
  }
  return true;
}

bool Describe(const Arguments& a, archive::ArchiveDescription& description,
              archive::ArchivePlan& plan, std::string& error) {
  Manifest manifest;
  return ReadManifest(a.positional[0], manifest, error) &&
         DescribeRelease(manifest, a.payload, description, plan, error);
}

bool BuildArchive(const Arguments& a, const fs::path& outdir, bool showProgress, std::ostream& err,
                  int& segmentCount, std::string& error) {
  archive::ArchiveDescription description;
  archive::ArchivePlan plan;
  if (!Describe(a, description, plan, error)) return false;
  ProgressLine progress(err, showProgress);
  const bool ok = BuildSegmentFiles(
      description, plan, outdir,
      [&progress](std::uint64_t done, std::uint64_t total) { progress.Update(done, total); },
      error);
  progress.Finish();
  segmentCount = plan.segmentCount;
  return ok;
}

int Archive(const Arguments& a, std::ostream& out, std::ostream& err, bool showProgress) {
  if (a.positional.size() != 2 || !a.stub.empty() || !a.output.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  const fs::path outdir = a.positional[1];
  std::string error;
  int segments = 0;
  if (!BuildArchive(a, outdir, showProgress, err, segments, error)) {
    RemoveSegmentFiles(outdir);  // nothing of an earlier build may pass for this one
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  out << "wrote " << segments << " segment" << (segments == 1 ? "" : "s") << " to "
      << PathText(outdir) << "\n";
  return kExitOk;
}

int Setup(const Arguments& a, std::ostream& out, std::ostream& err, bool showProgress) {
  if (a.positional.size() != 1 || a.stub.empty() || a.output.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  const fs::path output = a.output;
  fs::path parts = output;
  parts += ".parts";
  fs::path partial = output;
  partial += ".partial";
  std::error_code ignored;
  fs::remove(output, ignored);
  std::string error;
  int segments = 0;
  bool ok = BuildArchive(a, parts, showProgress, err, segments, error) &&
            WriteSetupExe(a.stub, parts, segments, partial, error);
  if (ok) {
    std::error_code code;
    fs::rename(partial, output, code);
    if (code) error = PathText(output) + ": " + code.message();
    ok = !code;
  }
  RemoveSegmentFiles(parts);
  fs::remove(parts, ignored);
  if (!ok) {
    fs::remove(partial, ignored);
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  out << "wrote " << PathText(output) << " with " << segments << " archive segment"
      << (segments == 1 ? "" : "s") << "\n";
  return kExitOk;
}

// The archive named on the command line, held open while it is looked at.
struct OpenedArchive {
  std::vector<MappedFile> maps;
  std::array<std::vector<std::uint8_t>, archive::kMaxSegments> fromExe;
  ArchiveSegments segments;
};

bool OpenArchive(const std::vector<std::string>& files, OpenedArchive& opened, std::string& error) {
  std::vector<fs::path> paths(files.begin(), files.end());
  if (!MapSegmentFiles(paths, opened.maps, opened.segments, error)) return false;
  if (files.size() != 1 || !LooksLikeExecutable(opened.segments.segments[0])) return true;
  const auto image = opened.maps[0].bytes();
  const std::vector<std::uint8_t> copy(image.begin(), image.end());
  opened.segments = ArchiveSegments{};
  if (!ReadSetupExeSegments(copy, opened.fromExe, opened.segments.count, error)) {
    error = files[0] + ": " + error;
    return false;
  }
  for (int n = 0; n < opened.segments.count; ++n) opened.segments.segments[n] = opened.fromExe[n];
  return true;
}

int Inspect(const Arguments& a, bool list, std::ostream& out, std::ostream& err) {
  if (a.positional.empty() || a.positional.size() > archive::kMaxSegments || !a.payload.empty() ||
      !a.stub.empty() || !a.output.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  OpenedArchive opened;
  std::string error;
  if (!OpenArchive(a.positional, opened, error)) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  if (list && !ListArchive(opened.segments, out)) return kExitFailed;
  std::string problem;
  if (!CheckSegments(opened.segments, problem)) {
    out << "BAD: " << problem << "\n";
    return kExitFailed;
  }
  if (!list) out << "OK\n";
  return kExitOk;
}

}  // namespace

int RunMksetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool showProgress) {
  Arguments parsed;
  if (args.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  if (!Split(args, parsed, err)) return kExitUsage;
  if (args[0] == "archive") return Archive(parsed, out, err, showProgress);
  if (args[0] == "setup") return Setup(parsed, out, err, showProgress);
  if (args[0] == "list") return Inspect(parsed, true, out, err);
  if (args[0] == "verify") return Inspect(parsed, false, out, err);
  err << "mksetup: unknown command " << args[0] << "\n" << kUsage;
  return kExitUsage;
}

}  // namespace mksetup
