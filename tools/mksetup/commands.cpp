#include "commands.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "archive_listing.h"
#include "embedded_programs.h"
#include "feed_publish.h"
#include "icon_file.h"
#include "identity_resource.h"
#include "installer_output.h"
#include "manifest.h"
#include "output_guard.h"
#include "progress.h"
#include "release_commands.h"
#include "release_description.h"
#include "segment_files.h"
#include "setup_exe.h"
#include "signing.h"
#include "winget_manifests.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

const char kVersion[] = "mksetup 1.49\n";
const char kUsage[] =
    "usage: mksetup archive <manifest> <outdir> [--payload DIR]\n"
    "       mksetup setup <manifest> --stub <SetupStub.exe> -o <Setup.exe> [--payload DIR]\n"
    "               [--sign <cert.p12> [--password-file FILE | --password-env VAR]\n"
    "                [--timestamp URL]] [--feed DIR]\n"
    "       mksetup list <ID_SETUPFILE1.bin [2 [3]] | Setup.exe>\n"
    "       mksetup verify <ID_SETUPFILE1.bin [2 [3]] | Setup.exe> [--ca <cert.pem>]\n"
    "       mksetup winget <Setup.exe> --id <Publisher.Package> --url <installer URL>\n"
    "               --license <text> --description <text> -o <folder>\n"
    "       mksetup --help | --version\n";

int Usage(std::ostream& err, const std::string& problem) {
  err << "mksetup: " << problem << "\n";
  WriteUsage(err);
  return kExitUsage;
}

// Positional arguments and the options that take a value.
struct Arguments {
  std::vector<std::string> positional;
  std::string payload, stub, output, ca;
  std::string feed;  // the publisher's feed folder, which the release's updater must accept
  SigningOptions signing;

  bool HasSetupOptions() const {
    return !stub.empty() || !output.empty() || !feed.empty() || !signing.certificate.empty() ||
           !signing.passwordFile.empty() || !signing.passwordVariable.empty() ||
           !signing.timestampUrl.empty();
  }
};

bool Split(const std::vector<std::string>& args, Arguments& parsed, std::ostream& err) {
  const std::pair<const char*, std::string*> options[] = {
      {"--payload", &parsed.payload},
      {"--stub", &parsed.stub},
      {"-o", &parsed.output},
      {"--sign", &parsed.signing.certificate},
      {"--password-file", &parsed.signing.passwordFile},
      {"--password-env", &parsed.signing.passwordVariable},
      {"--timestamp", &parsed.signing.timestampUrl},
      {"--ca", &parsed.ca},
      {"--feed", &parsed.feed}};
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string* option = nullptr;
    for (const auto& [name, target] : options)
      if (args[i] == name) option = target;
    if (option == nullptr) {
      if (args[i].size() > 1 && args[i][0] == '-') {
        Usage(err, "unknown option " + args[i]);
        return false;
      }
      parsed.positional.push_back(args[i]);
      continue;
    }
    if (i + 1 == args.size() || !option->empty() || args[i + 1].empty()) {
      Usage(err, args[i] + " needs one value");
      return false;
    }
    *option = args[++i];
  }
  return true;
}

// The manifest read and its payload described: everything is checked before the
// first byte is written.
struct Release {
  Manifest manifest;
  archive::ArchiveDescription description;
  archive::ArchivePlan plan;
  std::vector<fs::path> inputs;
};

bool DescribeManifest(const Arguments& a, Release& release, std::string& error) {
  if (!ReadManifest(a.positional[0], release.manifest, error) ||
      !DescribeRelease(release.manifest, a.payload, release.description, release.plan, error) ||
      !SignEmbeddedPrograms(release.manifest, a.signing, release.description, error) ||
      !archive::PlanArchive(release.description, release.plan, error))
    return false;
  release.inputs = BuildInputs(a.positional[0], release.manifest, release.description);
  return true;
}

bool BuildArchive(const Release& release, const fs::path& outdir, bool showProgress,
                  std::ostream& err, std::string& error) {
  ProgressLine progress(err, showProgress);
  const bool ok = BuildSegmentFiles(
      release.description, release.plan, outdir,
      [&progress](std::uint64_t done, std::uint64_t total) { progress.Update(done, total); },
      error);
  progress.Finish();
  return ok;
}

int Archive(const Arguments& a, std::ostream& out, std::ostream& err, bool showProgress) {
  if (a.positional.size() != 2) return Usage(err, "archive takes a manifest and a folder");
  if (a.HasSetupOptions() || !a.ca.empty()) return Usage(err, "that option is not archive's");
  const fs::path outdir = a.positional[1];
  std::string error;
  Release release;
  const auto failed = [&err, &error] {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  };
  if (!DescribeManifest(a, release, error)) {
    RemoveSegmentFiles(outdir);  // nothing of an earlier build may pass for this one
    return failed();
  }
  for (int n = 1; n <= archive::kMaxSegments; ++n)
    if (!CheckOutput(SegmentFilePath(outdir, n), release.inputs, error)) return failed();
  if (!BuildArchive(release, outdir, showProgress, err, error)) return failed();
  const int segments = release.plan.segmentCount;
  out << "wrote " << segments << " segment" << (segments == 1 ? "" : "s") << " to "
      << PathText(outdir) << "\n";
  return kExitOk;
}

// Why a setup command line cannot be run, or nullptr.
const char* SetupUsageProblem(const Arguments& a) {
  const SigningOptions& s = a.signing;
  if (a.positional.size() != 1) return "setup takes one manifest";
  if (a.stub.empty()) return "setup needs --stub <SetupStub.exe>";
  if (a.output.empty()) return "setup needs -o <Setup.exe>";
  if (!a.ca.empty()) return "--ca belongs to verify";
  if (s.certificate.empty() &&
      (!s.passwordFile.empty() || !s.passwordVariable.empty() || !s.timestampUrl.empty()))
    return "--password-file, --password-env and --timestamp go with --sign";
  if (!s.passwordFile.empty() && !s.passwordVariable.empty())
    return "give --password-file or --password-env, not both";
  return nullptr;
}

// Builds in a folder of its own beside the output and renames the finished file over
// the output only at the end: a failed or killed build leaves the earlier Setup.exe.
int Setup(const Arguments& a, std::ostream& out, std::ostream& err, bool showProgress) {
  if (const char* problem = SetupUsageProblem(a)) return Usage(err, problem);
  const fs::path output = a.output;
  std::string error;
  Release release;
  std::optional<IconResources> icon;
  InstallerBuild build;
  bool ok = DescribeManifest(a, release, error) && LoadIcon(release.manifest, icon, error) &&
            IdentityResourceBytes(release.manifest, build.identity, error) &&
            (a.feed.empty() || ManifestKeyAccepted(release.manifest, a.feed, error));
  if (ok) {
    release.inputs.insert(release.inputs.end(),
                          {a.stub, a.signing.certificate, a.signing.passwordFile});
    ok = CheckOutput(output, release.inputs, error);
  }
  if (ok) {
    build.description = &release.description;
    build.plan = &release.plan;
    build.stub = a.stub;
    build.icon = icon ? &*icon : nullptr;
    build.signing = a.signing;
    ProgressLine progress(err, showProgress);
    build.progress = [&progress](std::uint64_t done, std::uint64_t total) {
      progress.Update(done, total);
    };
    ok = WriteInstaller(build, output, error);
    progress.Finish();
  }
  if (!ok) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  const int segments = release.plan.segmentCount;
  out << "wrote " << PathText(output) << " with " << segments << " archive segment"
      << (segments == 1 ? "" : "s") << (a.signing.certificate.empty() ? "" : ", signed") << "\n";
  if (const std::string note = UpdaterLinkNote(release.manifest, release.description);
      !note.empty())
    out << note << "\n";
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
    error = files[0] + ": not an installer: it carries no setup archive (" + error + ")";
    return false;
  }
  for (int n = 0; n < opened.segments.count; ++n) opened.segments.segments[n] = opened.fromExe[n];
  return true;
}

int Inspect(const Arguments& a, bool list, std::ostream& out, std::ostream& err) {
  if (a.positional.empty() || a.positional.size() > archive::kMaxSegments)
    return Usage(err, "give segment files 1 to 3, or one Setup.exe");
  if (!a.payload.empty() || a.HasSetupOptions() || (list && !a.ca.empty()))
    return Usage(err, std::string("that option is not ") + (list ? "list's" : "verify's"));
  OpenedArchive opened;
  std::string error;
  if (!OpenArchive(a.positional, opened, error)) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  if (list && !ListArchive(opened.segments, out)) return kExitFailed;
  if (list && a.positional.size() == 1 && LooksLikeExecutable(opened.maps[0].bytes())) {
    const auto image = opened.maps[0].bytes();
    out << DescribeIcon({image.begin(), image.end()}) << "\n"
        << "signature: " << (IsSigned(image) ? "present (verify checks it)" : "none") << "\n";
  }
  std::string problem;
  if (!CheckSegments(opened.segments, problem)) {
    out << "BAD: " << problem << "\n";
    return kExitFailed;
  }
  if (list) return kExitOk;
  // A signature covers the whole file; the archive's own checks above do not see it.
  if (a.positional.size() == 1 && LooksLikeExecutable(opened.maps[0].bytes()) &&
      IsSigned(opened.maps[0].bytes())) {
    const SignatureReport signature = VerifySignature(a.positional[0], a.ca);
    if (!signature.valid) {
      out << "BAD: signature" << (signature.signer.empty() ? "" : " of " + signature.signer) << ": "
          << signature.problem << "\n";
      return kExitFailed;
    }
    out << "signature: valid, signed by " << signature.signer << "\n";
  }
  out << "OK\n";
  return kExitOk;
}

}  // namespace

void WriteUsage(std::ostream& out) {
  out << kUsage << kReleaseUsage;
}

int RunMksetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool showProgress) {
  Arguments parsed;
  if (args.empty()) return Usage(err, "name a command");
  // "setup --help" asks for the usage as much as "--help" alone does.
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end()) {
    WriteUsage(out);
    return kExitOk;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << kVersion;
    return kExitOk;
  }
  // Its own options, its own file.
  if (args[0] == "winget") return RunWinget(args, out, err);
  if (int code = 0; RunReleaseCommand(args, out, err, code)) return code;
  if (!Split(args, parsed, err)) return kExitUsage;
  if (args[0] == "archive") return Archive(parsed, out, err, showProgress);
  if (args[0] == "setup") return Setup(parsed, out, err, showProgress);
  if (args[0] == "list") return Inspect(parsed, true, out, err);
  if (args[0] == "verify") return Inspect(parsed, false, out, err);
  return Usage(err, "unknown command " + args[0]);
}

}  // namespace mksetup
