#include "update_command.h"

#include <fstream>
#include <optional>
#include <random>

#include "commands.h"
#include "embedded_programs.h"
#include "icon_file.h"
#include "manifest.h"
#include "release_description.h"
#include "segment_files.h"
#include "setup_exe.h"
#include "update_derive.h"

namespace mksetup {
namespace {

namespace fs = std::filesystem;

bool SameFileBytes(const archive::WriterFile& a, const archive::WriterFile& b) {
  if (a.sourcePath.empty() || b.sourcePath.empty())
    return a.sourcePath.empty() && b.sourcePath.empty() &&
           std::equal(a.bytes.begin(), a.bytes.end(), b.bytes.begin(), b.bytes.end());
  std::ifstream left(a.sourcePath, std::ios::binary), right(b.sourcePath, std::ios::binary);
  std::vector<char> x(1 << 16), y(1 << 16);
  while (left && right) {
    left.read(x.data(), static_cast<std::streamsize>(x.size()));
    right.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (left.gcount() != right.gcount() ||
        !std::equal(x.begin(), x.begin() + left.gcount(), y.begin()))
      return false;
  }
  return left.eof() && right.eof();
}

bool LoadIcon(const Manifest& manifest, std::optional<IconResources>& icon, std::string& error) {
  if (manifest.icon.value.empty()) return true;
  const fs::path file = manifest.folder / manifest.icon.value;
  std::ifstream in(file, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  icon.emplace();
  if (in && SplitIconFile(bytes, *icon, error)) return true;
  error = manifest.icon.where + ": " + PathText(file) + " " +
          (error.empty() ? std::string("cannot be read") : error);
  return false;
}

// A name beside `output` that no one else uses, for what this run builds.
fs::path UniqueBeside(const fs::path& output, const char* what) {
  std::random_device random;
  fs::path path = output;
  path += std::string(".") + what + "-" + std::to_string(random());
  return path;
}

bool RefuseOutput(const UpdateOptions& o, std::string& error) {
  std::error_code code;
  if (fs::is_directory(o.output, code)) {
    error = PathText(o.output) + ": is a folder; -o names the installer to write";
    return true;
  }
  for (const fs::path& input : {o.oldManifest, o.newManifest, o.stub})
    if (fs::equivalent(input, o.output, code)) {
      error = PathText(o.output) + ": is an input of this build";
      return true;
    }
  return false;
}

}  // namespace

int BuildDerivedUpdate(const UpdateOptions& o, std::ostream& out, std::ostream& err) {
  std::string error;
  Manifest oldManifest, newManifest;
  archive::ArchiveDescription oldRelease, newRelease, update;
  archive::ArchivePlan plan;
  std::optional<IconResources> icon;
  if (RefuseOutput(o, error) || !ReadManifest(o.oldManifest, oldManifest, error) ||
      !ReadManifest(o.newManifest, newManifest, error) ||
      !DescribeRelease(oldManifest, o.oldPayload, oldRelease, plan, error) ||
      !DescribeRelease(newManifest, o.newPayload, newRelease, plan, error) ||
      !SignEmbeddedPrograms(oldManifest, o.signing, oldRelease, error) ||
      !SignEmbeddedPrograms(newManifest, o.signing, newRelease, error) ||
      !DeriveUpdate({PathText(o.oldManifest), &oldRelease}, {PathText(o.newManifest), &newRelease},
                    SameFileBytes, update, error) ||
      !LoadIcon(newManifest, icon, error)) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  if (!archive::PlanArchive(update, plan, error)) {
    err << "mksetup: the update does not fit the archive: " << error << "\n";
    return kExitFailed;
  }
  const fs::path parts = UniqueBeside(o.output, "parts");
  const fs::path built = UniqueBeside(o.output, "partial");
  std::error_code code;
  bool ok = fs::create_directory(parts, code) &&
            BuildSegmentFiles(update, plan, parts, {}, error) &&
            WriteSetupExe(o.stub, parts, plan.segmentCount, icon ? &*icon : nullptr, built, error);
  fs::path finished = built;
  if (ok && !o.signing.certificate.empty()) {
    finished = parts / "signed.exe";
    ok = SignExecutable(o.signing, built, finished, parts, error);
  }
  if (ok) {
    fs::rename(finished, o.output, code);
    if (code) error = PathText(o.output) + ": " + code.message();
    ok = !code;
  }
  fs::remove_all(parts, code);
  fs::remove(built, code);
  if (!ok) {
    err << "mksetup: " << error << "\n";
    return kExitFailed;
  }
  out << "wrote " << PathText(o.output) << ": update " << oldRelease.packageVersionMS << "."
      << oldRelease.packageVersionLS << " -> " << update.packageVersionMS << "."
      << update.packageVersionLS << ", " << update.files.size() << " files, "
      << update.obsoleteFiles.size() << " obsolete\n";
  return kExitOk;
}

}  // namespace mksetup
