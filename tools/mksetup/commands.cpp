#include "commands.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "archive_listing.h"
#include "icon_file.h"
#include "identity_resource.h"
#include "manifest.h"
#include "progress.h"
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
    "                [--timestamp URL]]\n"
    "       mksetup list <ID_SETUPFILE1.bin [2 [3]] | Setup.exe>\n"
    "       mksetup verify <ID_SETUPFILE1.bin [2 [3]] | Setup.exe> [--ca <cert.pem>]\n"
    "       mksetup winget <Setup.exe> --id <Publisher.Package> --url <installer URL>\n"
    "               --license <text> --description <text> -o <folder>\n"
    "       mksetup --help | --version\n";

// Positional arguments and the options that take a value.
struct Arguments {
  std::vector<std::string> positional;
  std::string payload, stub, output, ca;
  SigningOptions signing;

  bool HasSetupOptions() const {
    return !stub.empty() || !output.empty() || !signing.certificate.empty() ||
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
      {"--ca", &parsed.ca}};
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string* option = nullptr;
    for (const auto& [name, target] : options)
      if (args[i] == name) option = target;
    if (option == nullptr) {
      if (args[i].size() > 1 && args[i][0] == '-') {
        err << "mksetup: unknown option " << args[i] << "\n" << kUsage;
        return false;
      }
      parsed.positional.push_back(args[i]);
      continue;
    }
    if (i + 1 == args.size() || !option->empty() || args[i + 1].empty()) {
      err << "mksetup: " << args[i] << " needs one value\n" << kUsage;
      return false;
    }
    *option = args[++i];
  }
  return true;
}

bool BuildArchive(const Manifest& manifest, const Arguments& a, const fs::path& outdir,
                  bool showProgress, std::ostream& err, int& segmentCount, std::string& error) {
  archive::ArchiveDescription description;
  archive::ArchivePlan plan;
  if (!DescribeRelease(manifest, a.payload, description, plan, error)) return false;
  ProgressLine progress(err, showProgress);
  const bool ok = BuildSegmentFiles(
      description, plan, outdir,
      [&progress](std::uint64_t done, std::uint64_t total) { progress.Update(done, total); },
      error);
  progress.Finish();
  segmentCount = plan.segmentCount;
  return ok;
}

// The manifest's icon, when it names one, checked before anything is built.
bool LoadIcon(const Manifest& manifest, std::optional<IconResources>& icon, std::string& error) {
  if (manifest.icon.value.empty()) return true;
  const fs::path file = manifest.folder / manifest.icon.value;
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  icon.emplace();
  if (!in.bad() && fs::is_regular_file(file) && SplitIconFile(bytes, *icon, error)) return true;
  error = manifest.icon.where + ": " + PathText(file) + " " +
          (error.empty() ? std::string("cannot be read") : error);
  return false;
}

int Archive(const Arguments& a, std::ostream& out, std::ostream& err, bool showProgress) {
  if (a.positional.size() != 2 || a.HasSetupOptions() || !a.ca.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  const fs::path outdir = a.positional[1];
  std::string error;
  int segments = 0;
  Manifest manifest;
  if (!ReadManifest(a.positional[0], manifest, error) ||
      !BuildArchive(manifest, a, outdir, showProgress, err, segments, error)) {
    RemoveSegmentFiles(outdir);  // nothing of an earlier build may pass for this one
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  out << "wrote " << segments << " segment" << (segments == 1 ? "" : "s") << " to "
      << PathText(outdir) << "\n";
  return kExitOk;
}

int Setup(const Arguments& a, std::ostream& out, std::ostream& err, bool showProgress) {
  const SigningOptions& signing = a.signing;
  const bool passwordWithoutCertificate =
      signing.certificate.empty() &&
      (!signing.passwordFile.empty() || !signing.passwordVariable.empty() ||
       !signing.timestampUrl.empty());
  if (a.positional.size() != 1 || a.stub.empty() || a.output.empty() || !a.ca.empty() ||
      passwordWithoutCertificate ||
      (!signing.passwordFile.empty() && !signing.passwordVariable.empty())) {
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
  Manifest manifest;
  std::optional<IconResources> icon;
  std::string identity;
  bool ok =
      ReadManifest(a.positional[0], manifest, error) && LoadIcon(manifest, icon, error) &&
      IdentityResourceBytes(manifest, identity, error) &&
      BuildArchive(manifest, a, parts, showProgress, err, segments, error) &&
      WriteSetupExe(a.stub, parts, segments, icon ? &*icon : nullptr, partial, error, identity);
  fs::path finished = partial;
  if (ok && !signing.certificate.empty()) {
    finished = parts / "signed.exe";
    ok = SignExecutable(signing, partial, finished, parts, error);
  }
  if (ok) {
    std::error_code code;
    fs::rename(finished, output, code);
    if (code) error = PathText(output) + ": " + code.message();
    ok = !code;
  }
  fs::remove_all(parts, ignored);
  fs::remove(partial, ignored);
  if (!ok) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  out << "wrote " << PathText(output) << " with " << segments << " archive segment"
      << (segments == 1 ? "" : "s") << (signing.certificate.empty() ? "" : ", signed") << "\n";
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
      a.HasSetupOptions() || (list && !a.ca.empty())) {
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

int RunMksetup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool showProgress) {
  Arguments parsed;
  if (args.empty()) {
    err << kUsage;
    return kExitUsage;
  }
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return kExitOk;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << kVersion;
    return kExitOk;
  }
  // Its own options, its own file.
  if (args[0] == "winget") return RunWinget(args, out, err);
  if (!Split(args, parsed, err)) return kExitUsage;
  if (args[0] == "archive") return Archive(parsed, out, err, showProgress);
  if (args[0] == "setup") return Setup(parsed, out, err, showProgress);
  if (args[0] == "list") return Inspect(parsed, true, out, err);
  if (args[0] == "verify") return Inspect(parsed, false, out, err);
  err << "mksetup: unknown command " << args[0] << "\n" << kUsage;
  return kExitUsage;
}

}  // namespace mksetup
